// The Windows side: files by wide-character names; a replacement keeps the
// old file's attributes (hidden, say). Windows has no owner and mode bits to
// keep; a read-only file is not writable by the user and stays as it is.
#include "platform/profile_file.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/file_io.h"
#include "platform/file_names.h"
#include "platform/file_permission.h"

namespace qinghe::platform {
namespace {

std::optional<std::string> read_setting_bytes(int fd) {
    struct _stat64 info {};
    if (::_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    while (bytes.size() <= kMaxProfileBytes) {
        const int n = ::_read(fd, buffer, sizeof buffer);
        if (n < 0) return std::nullopt;
        if (n == 0) return bytes;
        bytes.append(buffer, size_t(n));
    }
    return std::nullopt;
}

std::string folder_of(const std::string& path) {
    std::string folder = utf8_path(native_path(path).parent_path());
    return folder.empty() ? "." : folder;
}

// A temporary file beside `path`, renamed over it once written and flushed.
bool replace_atomically(const std::string& path, std::string_view bytes, DWORD attributes) {
    static std::atomic<unsigned> serial{0};
    const std::string temporary =
        path + ".tmp" + std::to_string(GetCurrentProcessId()) + "." + std::to_string(serial++);
    const int fd = open_file(temporary, O_WRONLY | O_CREAT | O_EXCL, _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes) && sync_file(fd);
    ok = (::_close(fd) == 0) && ok;
    if (ok && attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(native_path(temporary).c_str(), attributes);
    ok = ok && rename_over(temporary, path);
    if (!ok) ::_wunlink(native_path(temporary).c_str());
    return ok;
}

// Rewrites a writable file where it stands, for a folder that takes no new file.
bool rewrite_in_place(const std::string& path, std::string_view bytes) {
    const int fd = open_file(path, O_WRONLY | O_TRUNC);
    if (fd < 0) return false;
    const bool ok = write_all(fd, bytes) && sync_file(fd);
    return (::_close(fd) == 0) && ok;
}

}  // namespace

std::optional<std::string> load_profile_file(const std::string& path, bool missing_is_empty) {
    const int fd = open_file(path, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT && missing_is_empty) return std::string();
        return std::nullopt;
    }
    std::optional<std::string> bytes = read_setting_bytes(fd);
    ::_close(fd);
    return bytes;
}

bool replace_profile_file(const std::string& path, std::string_view bytes) {
    const std::string folder = folder_of(path);
    const DWORD attributes = GetFileAttributesW(native_path(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return writable_by_user(folder) && replace_atomically(path, bytes, attributes);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !writable_by_user(path)) return false;
    if (writable_by_user(folder) && replace_atomically(path, bytes, attributes)) return true;
    return rewrite_in_place(path, bytes);
}

}  // namespace qinghe::platform
