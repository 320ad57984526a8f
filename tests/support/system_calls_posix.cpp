#include "support/system_calls.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qinghe::testing_support {

bool legacy_charsets_read_as_iconv() { return true; }

void set_variable(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

void unset_variable(const std::string& name) { ::unsetenv(name.c_str()); }

std::string make_temporary_folder() {
    char pattern[] = "/tmp/qinghe-test-XXXXXX";
    return ::mkdtemp(pattern) ? pattern : "";
}

int run_program(const std::string& program, const std::vector<std::string>& arguments,
                const std::vector<std::string>& variables, const std::string& folder,
                const std::string& out_file, const std::string& err_file) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& v : variables) envp.push_back(const_cast<char*>(v.c_str()));
    for (char** v = environ; *v; ++v) envp.push_back(*v);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    int result = -1;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(previous_);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);
}

bool FileSizeLimit::available() { return true; }

bool make_read_only(const std::string& path, bool read_only) {
    struct stat info {};
    const bool folder = ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    const mode_t mode = folder ? (read_only ? 0555 : 0755) : (read_only ? 0444 : 0644);
    return ::chmod(path.c_str(), mode) == 0;
}

bool make_named_pipe(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

bool link_to_device(const std::string& path) { return ::symlink("/dev/zero", path.c_str()) == 0; }

}  // namespace qinghe::testing_support
