#include "commands/config_file_commands.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

#include "platform/file_io.h"
#include "platform/file_names.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

bool given(int32_t count, const TaggedArg* args, int32_t index) {
    return index < count && !args[index].omitted();
}

std::string_view text_argument(int32_t count, const TaggedArg* args, int32_t index) {
    if (!given(count, args, index) || args[index].type != TypeTag::kText) return {};
    const char* text = args[index].text();
    return text ? std::string_view(text) : std::string_view();
}

std::optional<std::string_view> optional_text(int32_t count, const TaggedArg* args, int32_t index) {
    if (!given(count, args, index)) return std::nullopt;
    return text_argument(count, args, index);
}

std::string_view skip_leading_controls(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    return s;
}

// A GBK file name as the file system takes it: UTF-8, and a backslash is a
// directory separator as in the program's own paths. The mapping runs after
// the conversion, where a 0x5C byte can no longer be a GBK trail byte.
std::string file_system_path(std::string_view gbk_name) {
    std::string path = platform::utf8_from_gbk(gbk_name);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace

void current_directory(TaggedArg* result, int32_t, TaggedArg*) {
    std::error_code error;
    std::filesystem::path directory = std::filesystem::current_path(error);
    std::string text =
        error ? std::string() : platform::gbk_from_utf8(platform::utf8_path(directory));
    *result = TaggedArg::of_text(make_text(text));
}

void read_config_item(TaggedArg* result, int32_t count, TaggedArg* args) {
    std::string_view file = skip_leading_controls(text_argument(count, args, 0));
    std::string_view section = skip_leading_controls(text_argument(count, args, 1));
    std::string_view key = skip_leading_controls(text_argument(count, args, 2));
    *result = TaggedArg::of_text(nullptr);
    if (file.empty() || section.empty() || key.empty()) return;
    std::optional<std::string> value =
        platform::read_profile_string(file_system_path(file), section, key, kConfigValueBuffer);
    result->set_pointer(make_text(value ? *value : text_argument(count, args, 3)));
}

void write_config_item(TaggedArg* result, int32_t count, TaggedArg* args) {
    std::string_view file = text_argument(count, args, 0);
    bool written = !file.empty() && platform::write_profile_string(file_system_path(file),
                                                                   text_argument(count, args, 1),
                                                                   optional_text(count, args, 2),
                                                                   optional_text(count, args, 3));
    *result = TaggedArg::of_bool(written);
}

void write_file(TaggedArg* result, int32_t count, TaggedArg* args) {
    *result = TaggedArg::of_bool(false);
    std::string_view name = text_argument(count, args, 0);
    if (name.empty()) return;
    // Nobody else may write the file meanwhile: a second writer fails.
    int fd = platform::open_for_sole_writing(file_system_path(name));
    if (fd < 0) return;
    // The old content is overwritten and what is left of it cut off after
    // the write: truncating to zero first makes some file systems flush the
    // file on close, which costs milliseconds on every write.
    bool ok = true;
    int64_t written = 0;
    for (int32_t i = 1; i < count && ok; ++i) {
        if (args[i].type != TypeTag::kByteSet) continue;
        std::string_view bytes = byte_set_view(args[i].byte_set());
        ok = platform::write_all(fd, bytes);
        written += int64_t(bytes.size());
    }
    ok = ok && platform::truncate_file(fd, written);
    ok = (::close(fd) == 0) && ok;
    result->lo = ok ? 1 : 0;
}

}  // namespace qinghe
