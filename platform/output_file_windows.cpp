#include "platform/output_file.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/file_io.h"
#include "platform/file_names.h"

namespace qinghe::platform {
namespace {

// What the target path turned out to be.
struct Target {
    enum class Kind { new_file, regular_file, in_place } kind = Kind::new_file;
    std::string path;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
};

// False with errno set when the target cannot be written: a folder, or a
// read-only file (Windows will not replace one, and it stays as it is).
bool examine(const std::string& path, Target& target) {
    target.path = path;
    struct _stat64 status {};
    if (::_wstat64(native_path(path).c_str(), &status) != 0) {
        if (errno != ENOENT) return false;
        target.kind = Target::Kind::new_file;
        return true;
    }
    if ((status.st_mode & _S_IFMT) == _S_IFDIR) {
        errno = EISDIR;
        return false;
    }
    if ((status.st_mode & _S_IFMT) != _S_IFREG) {
        target.kind = Target::Kind::in_place;
        return true;
    }
    target.kind = Target::Kind::regular_file;
    target.attributes = GetFileAttributesW(native_path(path).c_str());
    if (target.attributes != INVALID_FILE_ATTRIBUTES &&
        (target.attributes & FILE_ATTRIBUTE_READONLY)) {
        errno = EACCES;
        return false;
    }
    return true;
}

// A temporary file beside `path`, opened for writing; -1 on failure.
int create_temporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> serial{0};
    const std::filesystem::path target = native_path(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "." + utf8_path(target.filename()) + "." +
                                 std::to_string(GetCurrentProcessId()) + "." +
                                 std::to_string(serial++);
        temporary = utf8_path(folder / native_path(name));
        const int fd = open_file(temporary, O_WRONLY | O_CREAT | O_EXCL, _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

std::string failure(const std::string& path, int error_number) {
    return "cannot write '" + path + "': " + std::strerror(error_number);
}

// Written and closed; false with errno set otherwise.
bool write_and_close(int fd, const std::string& contents) {
    bool written = write_all(fd, contents);
    const int write_error = errno;
    if (::_close(fd) != 0 && written) return false;
    errno = write_error;
    return written;
}

bool write_in_place(const Target& target, const std::string& contents) {
    const int fd = open_file(target.path, O_WRONLY);
    return fd >= 0 && write_and_close(fd, contents);
}

bool replace_file(const Target& target, const std::string& contents) {
    std::string temporary;
    const int fd = create_temporary(target.path, temporary);
    if (fd < 0) return false;
    if (write_and_close(fd, contents)) {
        // The replacement keeps the old file's attributes (hidden, say).
        if (target.attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(native_path(temporary).c_str(), target.attributes);
        if (rename_over(temporary, target.path)) return true;
    }
    const int error_number = errno;
    ::_wunlink(native_path(temporary).c_str());
    errno = error_number;
    return false;
}

}  // namespace

bool output_target_writable(const std::string& path, std::string& error) {
    Target target;
    bool writable = examine(path, target);
    if (writable && target.kind == Target::Kind::in_place) {
        writable = ::_waccess(native_path(target.path).c_str(), 2) == 0;
    } else if (writable) {
        std::string temporary;
        const int fd = create_temporary(target.path, temporary);
        writable = fd >= 0;
        if (writable) {
            ::_close(fd);
            ::_wunlink(native_path(temporary).c_str());
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
