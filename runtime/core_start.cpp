#include "runtime/core_start.h"

#include <filesystem>

#include "platform/file_names.h"
#include "platform/text_encoding.h"
#include "runtime/dll_commands.h"
#include "runtime/frame.h"
#include "runtime/memory.h"
#include "runtime/program_header.h"
#include "runtime/runtime_error.h"

namespace qinghe {
namespace {

std::string g_directory;
std::string g_file_name;

void make_program_directory_current() {
    const std::string file = platform::program_file();
    if (file.empty()) return;
    const std::filesystem::path exe = platform::native_path(file);
    g_directory = platform::gbk_from_utf8(platform::utf8_path(exe.parent_path()));
    g_file_name = platform::gbk_from_utf8(platform::utf8_path(exe.filename()));
    std::error_code ec;
    std::filesystem::current_path(exe.parent_path(), ec);
}

}  // namespace

const std::string& program_directory() { return g_directory; }
const std::string& program_file_name() { return g_file_name; }

void initialise_core(const ProgramHeader& header) {
    set_run_mode(int32_t(header.run_mode));
    make_program_directory_current();
    if (header.constant_area_length > 0)
        set_constant_area(header.constant_area, header.constant_area_length);
    set_dll_command_tables(header.dll_command_count, header.dll_file_names,
                           header.dll_exported_names);
    initialise_libraries(const_cast<LibraryRecord* const*>(header.libraries), header.library_count);
}

}  // namespace qinghe
