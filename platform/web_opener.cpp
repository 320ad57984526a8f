#include "platform/web_opener.h"

#include "platform/ascii_case.h"
#include <atomic>
#include <cctype>
#include <filesystem>

#include "platform/file_names.h"

namespace qinghe::platform {
namespace {

bool has_control_character(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

std::atomic<WebOpener*> g_replacement{nullptr};

}  // namespace

bool is_openable_target(std::string_view target) {
    if (has_control_character(target)) return false;
    for (std::string_view scheme : {"http://", "https://", "mailto:"}) {
        if (ascii::starts_with_ignoring_case(target, scheme)) return target.size() > scheme.size();
    }
    return false;
}

std::string_view cut_browser_command(std::string_view command_line) {
    size_t at = command_line.find("\"%1\"");
    if (at == std::string_view::npos) at = command_line.find("%1");
    return command_line.substr(0, at);
}

std::vector<std::string> split_arguments(std::string_view command_line) {
    std::vector<std::string> arguments;
    std::string current;
    bool in_argument = false;
    char quote = 0;
    for (char c : command_line) {
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else {
                current += c;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
            in_argument = true;
        } else if (c == ' ' || c == '\t') {
            if (in_argument) arguments.push_back(std::move(current));
            current.clear();
            in_argument = false;
        } else {
            current += c;
            in_argument = true;
        }
    }
    if (in_argument) arguments.push_back(std::move(current));
    return arguments;
}

std::vector<std::string> browser_arguments(std::string_view command_line, std::string_view target) {
    std::vector<std::string> arguments = split_arguments(cut_browser_command(command_line));
    if (!arguments.empty()) arguments.emplace_back(target);
    return arguments;
}

WebOpener& web_opener() {
    static DesktopOpener desktop;
    WebOpener* replacement = g_replacement.load();
    return replacement ? *replacement : desktop;
}

void set_web_opener(WebOpener* opener) { g_replacement.store(opener); }

bool open_web_target(std::string_view target) {
    if (!is_openable_target(target)) return false;
    return web_opener().open(std::string(target));
}

std::string file_url(std::string_view absolute_path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : absolute_path) {
        if (std::isalnum(c) || std::string_view("/-._~").find(char(c)) != std::string_view::npos) {
            url += char(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

bool open_local_file(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file = native_path(path);
    if (path.empty() || !std::filesystem::is_regular_file(file, error)) return false;
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error) return false;
    // A path that starts with a drive ("C:/…") gets the slash a URL's path starts with.
    const std::u8string generic = absolute.lexically_normal().generic_u8string();
    std::string url_path(generic.begin(), generic.end());
    if (url_path.front() != '/') url_path.insert(0, "/");
    return web_opener().open(file_url(url_path));
}

}  // namespace qinghe::platform
