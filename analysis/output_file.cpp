#include "analysis/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;

// A hidden temporary file beside `path`, opened for writing; -1 on failure.
int create_temporary(const std::string& path, std::string& temporary) {
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) return -1;
    // Created 0600; the finished file gets the mode a new file would have.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return fd;
}

bool write_all(int fd, const std::string& contents) {
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string failure(const std::string& path, int error_number) {
    return "cannot write '" + path + "': " + std::strerror(error_number);
}

}  // namespace

bool output_folder_writable(const std::string& path, std::string& error) {
    std::string temporary;
    const int fd = create_temporary(path, temporary);
    if (fd < 0) {
        error = failure(path, errno);
        return false;
    }
    ::close(fd);
    ::unlink(temporary.c_str());
    return true;
}

bool write_output_file(const std::string& path, const std::string& contents, std::string& error) {
    std::string temporary;
    const int fd = create_temporary(path, temporary);
    if (fd < 0) {
        error = failure(path, errno);
        return false;
    }
    bool written = write_all(fd, contents);
    int error_number = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error_number = errno;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error_number = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        error = failure(path, error_number);
    }
    return written;
}

}  // namespace qinghe::app
