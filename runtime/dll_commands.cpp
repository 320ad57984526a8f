#include "runtime/dll_commands.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/file_names.h"
#include "platform/text_encoding.h"
#include "runtime/runtime_error.h"

namespace qinghe {
namespace {

constexpr int32_t kStackErrorCode = 6;

struct DllCommand {
    std::string file;      // GBK
    std::string exported;  // GBK
    DllCommandState state;
};

std::mutex g_mutex;  // worker threads resolve too (CoInitialize, CloseHandle)
std::vector<DllCommand> g_commands;
std::string g_search_directory;

std::string program_directory() {
    const std::string file = platform::program_file();
    if (file.empty()) return ".";
    const std::string folder = platform::utf8_path(platform::native_path(file).parent_path());
    return folder.empty() ? "." : folder;
}

std::vector<std::string> candidates(const std::string& file_gbk) {
    if (file_gbk.empty())
        return {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};
    std::string file = platform::utf8_from_gbk(file_gbk);
    if (platform::is_system_module(file)) return {file};
    std::vector<std::string> list;
    if (file.find(':') == std::string::npos && file[0] != '/') {
        if (!g_search_directory.empty()) list.push_back(g_search_directory + "/" + file);
        list.push_back(program_directory() + "/" + file);
    }
    list.push_back(file);
    return list;
}

platform::Procedure look_up(const platform::Module* module, const std::string& exported) {
    int32_t ordinal = parse_ordinal(exported.c_str());
    if (ordinal >= 0) return platform::find_procedure(module, uint16_t(ordinal));
    return platform::find_procedure(module, exported);
}

// Loads each candidate, keeps the first that has the export.
DllCommandState resolve(const DllCommand& command) {
    for (const std::string& file : candidates(command.file)) {
        platform::Module* module = platform::load_module(file);
        if (!module) continue;
        if (platform::Procedure p = look_up(module, command.exported)) return {p, module};
        platform::release_module(module);
    }
    return {};
}

[[noreturn]] void report_unresolved(const DllCommand& command) {
    static const std::string with_file =
        platform::gbk_from_utf8("无法找到指定DLL库文件“%s”中的输出命令“%s”");
    static const std::string without_file =
        platform::gbk_from_utf8("无法找到指定DLL库文件中的输出命令“%s”");
    std::vector<char> message(command.file.size() + command.exported.size() + 128);
    if (command.file.empty())
        std::snprintf(message.data(), message.size(), without_file.c_str(),
                      command.exported.c_str());
    else
        std::snprintf(message.data(), message.size(), with_file.c_str(), command.file.c_str(),
                      command.exported.c_str());
    report_error(message.data(), 0, 0, 0);
}

[[noreturn]] void report_bad_index(int32_t index) {
    static const std::string format = platform::gbk_from_utf8("所调用的DLL命令 %d 未声明");
    char message[100];
    std::snprintf(message, sizeof message, format.c_str(), index);
    report_error(message, 0, 0, 0);
}

platform::Procedure resolved_procedure(int32_t index) {
    std::unique_lock lock(g_mutex);
    if (index < 0 || index >= int32_t(g_commands.size())) {
        lock.unlock();
        report_bad_index(index);
    }
    DllCommand& command = g_commands[size_t(index)];
    if (!command.state.procedure) command.state = resolve(command);
    if (command.state.procedure) return command.state.procedure;
    DllCommand copy = command;
    lock.unlock();
    report_unresolved(copy);
}

}  // namespace

void set_dll_command_tables(int32_t count, const char* const* files, const char* const* exports) {
    release_dll_commands();
    std::lock_guard lock(g_mutex);
    for (int32_t i = 0; i < count; ++i)
        g_commands.push_back({files[i] ? files[i] : "", exports[i] ? exports[i] : "", {}});
}

void release_dll_commands() {
    std::lock_guard lock(g_mutex);
    for (DllCommand& command : g_commands) platform::release_module(command.state.module);
    g_commands.clear();
}

int32_t dll_command_count() {
    std::lock_guard lock(g_mutex);
    return int32_t(g_commands.size());
}

void set_dll_search_directory(std::string directory) {
    std::lock_guard lock(g_mutex);
    g_search_directory = platform::utf8_from_gbk(directory);
}

DllCommandState dll_command_state(int32_t index) {
    std::lock_guard lock(g_mutex);
    if (index < 0 || index >= int32_t(g_commands.size())) return {};
    return g_commands[size_t(index)].state;
}

intptr_t call_dll_command_words(int32_t index, const intptr_t* words, int32_t count) {
    platform::Procedure procedure = resolved_procedure(index);
    if (!procedure.accepts(count)) report_runtime_error(kStackErrorCode, 0, 0);
    return platform::call_procedure(procedure, words, count);
}

int32_t parse_ordinal(const char* exported_name) {
    if (!exported_name || exported_name[0] != '#' || !exported_name[1]) return -1;
    uint32_t value = 0;
    for (const char* p = exported_name + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return -1;
        value = value * 10 + uint32_t(*p - '0');
    }
    return int32_t(value & 0xFFFF);
}

}  // namespace qinghe
