// The POSIX side of the desktop opener: the desktop program (xdg-open) and
// the $BROWSER command line, started with an argument vector.
#include "platform/web_opener.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace qinghe::platform {
namespace {

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

}  // namespace

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

}  // namespace qinghe::platform
