#include "platform/web_opener.h"

#include "platform/ascii_case.h"
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace qinghe::platform {
namespace {

bool has_control_character(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// Starts a program with an argument vector; stdin comes from /dev/null.
// Returns the child's process id, or -1 when it could not start.
pid_t spawn(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return -1;
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Collects a child's exit status in the background, so no zombie is left.
void reap_in_background(pid_t pid) {
    std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// The desktop program's verdict: true when it exits with status 0 or is
// still running when the wait ends (it is then reaped in the background).
bool started_successfully(pid_t pid, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0 && errno != EINTR) return true;  // reaped elsewhere: it did start
        if (std::chrono::steady_clock::now() >= deadline) {
            reap_in_background(pid);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string browser_variable() {
    const char* value = std::getenv("BROWSER");
    return value ? value : "";
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

DesktopOpener::DesktopOpener() : DesktopOpener(Options{}) {}

DesktopOpener::DesktopOpener(Options options) : options_(std::move(options)) {
    if (!options_.browser_command) options_.browser_command = browser_variable;
}

bool DesktopOpener::open(const std::string& target) {
    pid_t desktop = spawn({options_.desktop_program, target});
    if (desktop > 0 && started_successfully(desktop, options_.verdict_wait)) return true;

    pid_t browser = spawn(browser_arguments(options_.browser_command(), target));
    if (browser <= 0) return false;
    reap_in_background(browser);
    return true;
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
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return false;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return false;
    return web_opener().open(file_url(absolute.lexically_normal().string()));
}

}  // namespace qinghe::platform
