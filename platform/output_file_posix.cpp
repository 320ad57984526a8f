#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/file_io.h"

namespace qinghe::platform {
namespace {

namespace fs = std::filesystem;

// Links followed before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

// What the target path turned out to be, its links followed.
struct Target {
    enum class Kind { new_file, regular_file, in_place } kind = Kind::new_file;
    std::string path;
    struct stat status {};
};

// `path` with links followed while its last part is one: for a link to a
// missing file, that file's path, so it is created where the link says.
std::string followed(fs::path path) {
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) break;
        const fs::path link = fs::read_symlink(path, error);
        if (error) break;
        path = path.parent_path() / link;  // an absolute link replaces the whole path
    }
    return path.string();
}

// False with errno set when the target cannot be written (a folder) or
// examined (a loop of links, a folder that may not be searched). The
// kernel follows the links of an existing target, /proc's links to pipes
// (/dev/stdout) too; a file's real path is where its replacement goes.
bool examine(const std::string& path, Target& target) {
    if (::stat(path.c_str(), &target.status) != 0) {
        if (errno != ENOENT) return false;
        target.kind = Target::Kind::new_file;
        target.path = followed(path);
        return true;
    }
    if (S_ISDIR(target.status.st_mode)) {
        errno = EISDIR;
        return false;
    }
    target.path = path;
    if (!S_ISREG(target.status.st_mode)) {
        target.kind = Target::Kind::in_place;
        return true;
    }
    target.kind = Target::Kind::regular_file;
    std::error_code error;
    target.path = fs::canonical(path, error).string();
    if (error) errno = error.value();
    return !error;
}

// A hidden temporary file beside `path`, opened for writing; -1 on failure.
// mkstemp creates it 0600, private until it gets its final mode.
int create_temporary(const std::string& path, std::string& temporary) {
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    return ::mkstemp(temporary.data());
}

// The replaced file's owner, group and mode, or a new file's mode. Owner
// and group are given first: a change of owner clears set-id bits.
void set_final_mode(int fd, const Target& target) {
    if (target.kind == Target::Kind::new_file) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        return;
    }
    // Where the owner cannot be given, the group may be; else both stay the process's.
    [[maybe_unused]] const bool owned =
        ::fchown(fd, target.status.st_uid, target.status.st_gid) == 0 ||
        ::fchown(fd, uid_t(-1), target.status.st_gid) == 0;
    ::fchmod(fd, target.status.st_mode & 07777);
}

std::string failure(const std::string& path, int error_number) {
    return "cannot write '" + path + "': " + std::strerror(error_number);
}

// Written and closed; false with errno set otherwise.
bool write_and_close(int fd, const std::string& contents) {
    bool written = write_all(fd, contents);
    const int write_error = errno;
    if (::close(fd) != 0 && written) return false;
    errno = write_error;
    return written;
}

bool write_in_place(const Target& target, const std::string& contents) {
    const int fd = ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    return fd >= 0 && write_and_close(fd, contents);
}

bool replace_file(const Target& target, const std::string& contents) {
    std::string temporary;
    const int fd = create_temporary(target.path, temporary);
    if (fd < 0) return false;
    set_final_mode(fd, target);
    if (write_and_close(fd, contents) && ::rename(temporary.c_str(), target.path.c_str()) == 0)
        return true;
    const int error_number = errno;
    ::unlink(temporary.c_str());
    errno = error_number;
    return false;
}

}  // namespace

bool output_target_writable(const std::string& path, std::string& error) {
    Target target;
    bool writable = examine(path, target);
    if (writable && target.kind == Target::Kind::in_place) {
        writable = ::access(target.path.c_str(), W_OK) == 0;
    } else if (writable) {
        std::string temporary;
        const int fd = create_temporary(target.path, temporary);
        writable = fd >= 0;
        if (writable) {
            ::close(fd);
            ::unlink(temporary.c_str());
        }
    }
    if (!writable) error = failure(path, errno);
    return writable;
}

bool write_output_file(const std::string& path, const std::string& contents, std::string& error) {
    Target target;
    const bool written = examine(path, target) &&
                         (target.kind == Target::Kind::in_place ? write_in_place(target, contents)
                                                                : replace_file(target, contents));
    if (!written) error = failure(path, errno);
    return written;
}

}  // namespace qinghe::platform
