#include "commands/application_interface_library.h"

#include <array>
#include <cstdio>
#include <iterator>

#include "platform/text_encoding.h"
#include "platform/web_opener.h"

namespace qinghe {
namespace {

constexpr auto kCommands = [] {
    std::array<CommandEntry, size_t(ApplicationInterfaceCommand::count)> table{};
    table[size_t(ApplicationInterfaceCommand::open_web_page)] = open_web_page;
    return table;
}();

// Bytes that may stand in a file address as they are; the rest is %XX.
bool unreserved_in_path(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

std::string file_address(std::string_view path) {
    std::string address = "file://";
    for (unsigned char c : path) {
        if (unreserved_in_path(c)) {
            address += char(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            address += escaped;
        }
    }
    return address;
}

std::array<DataTypeRecord, kApplicationInterfaceTypeCount> g_types{};

constinit LibraryRecord g_library = {
    .guid = "{3F8A6C21-7D4E-4B19-A0C5-9E2D61B7F480}",
    .display_name = "\xD3\xA6\xD3\xC3\xBD\xD3\xBF\xDA\xD6\xA7\xB3\xD6\xBF\xE2",  // "应用接口支持库"
    .type_count = kApplicationInterfaceTypeCount,
    .types = g_types.data(),
    .command_count = int32_t(std::size(kCommands)),
    .commands = kCommands.data(),
};

}  // namespace

LibraryRecord& application_interface_library() { return g_library; }

// The project has no web site of its own; its README, in the source tree the
// program was built from, is the page it introduces itself with.
std::string default_web_page() { return file_address(QINGHE_README_PATH); }

// The default page is our own constant and goes to the opener directly; a
// given address comes from outside and passes the target check first.
void open_web_page(TaggedArg*, int32_t count, TaggedArg* args) {
    if (count < 1 || args[0].omitted()) {
        platform::web_opener().open(default_web_page());
        return;
    }
    const char* address = args[0].type == TypeTag::kText ? args[0].text() : nullptr;
    platform::open_web_target(platform::utf8_from_gbk(address ? address : ""));
}

}  // namespace qinghe
