// The POSIX side: a replacement keeps the old file's owner and mode, and a
// symbolic link stays a link (its target is replaced).
#include "platform/profile_file.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_io.h"
#include "platform/file_permission.h"

namespace qinghe::platform {
namespace {

// At most kMaxProfileBytes of a regular file; an empty optional for
// anything longer and for devices and pipes (which may never end).
std::optional<std::string> read_setting_bytes(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    while (bytes.size() <= kMaxProfileBytes) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return bytes;
        bytes.append(buffer, size_t(n));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> load_profile_file(const std::string& path, bool missing_is_empty) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT && missing_is_empty) return std::string();
        return std::nullopt;
    }
    std::optional<std::string> bytes = read_setting_bytes(fd);
    ::close(fd);
    return bytes;
}

namespace {

// The file a write replaces: a symbolic link's target, so that the link
// stays a link.
std::string replaced_path(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

std::string folder_of(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Writes a temporary file beside `path` with the old file's mode and owner
// and renames it over `path`, so a crash leaves either the old or the new
// file, never half of one. False when the owner cannot be kept.
bool replace_atomically(const std::string& path, std::string_view bytes,
                        const struct stat* existing) {
    static std::atomic<unsigned> serial{0};
    std::string temporary =
        path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(serial++);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = !existing || (::fchown(fd, existing->st_uid, existing->st_gid) == 0 &&
                            ::fchmod(fd, existing->st_mode & 07777) == 0);
    ok = ok && write_all(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

// Rewrites a writable file where it stands: for a file in a read-only
// folder, or one whose owner a new file could not keep.
bool rewrite_in_place(const std::string& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

}  // namespace

bool replace_profile_file(const std::string& target, std::string_view bytes) {
    std::string path = replaced_path(target);
    std::string folder = folder_of(path);
    struct stat existing {};
    if (::stat(path.c_str(), &existing) != 0) {
        return writable_by_user(folder) && replace_atomically(path, bytes, nullptr);
    }
    if (!S_ISREG(existing.st_mode) || !writable_by_user(path)) return false;
    if (writable_by_user(folder) && replace_atomically(path, bytes, &existing)) return true;
    return rewrite_in_place(path, bytes);
}

}  // namespace qinghe::platform
