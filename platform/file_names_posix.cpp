#include "platform/file_names.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qinghe::platform {

std::filesystem::path native_path(std::string_view utf8) { return std::string(utf8); }

std::string utf8_path(const std::filesystem::path& path) { return path.string(); }

int open_file(const std::string& path, int flags, int mode) {
    return ::open(path.c_str(), flags | O_CLOEXEC, mode);
}

int open_for_sole_writing(const std::string& path) {
    const int fd = open_file(path, O_WRONLY | O_CREAT);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    ::close(fd);
    return -1;
}

bool sync_file(int fd) { return ::fsync(fd) == 0; }

bool truncate_file(int fd, int64_t size) { return ::ftruncate(fd, off_t(size)) == 0; }

bool rename_over(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string program_file() {
    std::error_code error;
    std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : file.string();
}

}  // namespace qinghe::platform
