#include "platform/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace qinghe::platform {
namespace {

constexpr auto kRetry = std::chrono::milliseconds(5);

}  // namespace

std::optional<FileLock> FileLock::take(const std::string& path, Kind kind,
                                       std::chrono::milliseconds wait) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return std::nullopt;
    const int operation = (kind == Kind::shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, operation) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() > deadline) {
            ::close(fd);
            return std::nullopt;
        }
        std::this_thread::sleep_for(kRetry);
    }
    return FileLock(fd);
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

FileLock::~FileLock() {
    if (handle_ >= 0) ::close(int(handle_));
}

}  // namespace qinghe::platform
