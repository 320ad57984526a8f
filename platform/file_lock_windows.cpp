#include "platform/file_lock.h"

#include <windows.h>

#include <thread>
#include <utility>

#include "platform/file_names.h"

namespace qinghe::platform {
namespace {

constexpr auto kRetry = std::chrono::milliseconds(5);

HANDLE handle_of(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Locks the first byte of the open file, as every program sharing it does.
bool lock(HANDLE file, FileLock::Kind kind) {
    OVERLAPPED at{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY |
                        (kind == FileLock::Kind::exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

}  // namespace

std::optional<FileLock> FileLock::take(const std::string& path, Kind kind,
                                       std::chrono::milliseconds wait) {
    HANDLE file = CreateFileW(native_path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!lock(file, kind)) {
        if (GetLastError() != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() > deadline) {
            CloseHandle(file);
            return std::nullopt;
        }
        std::this_thread::sleep_for(kRetry);
    }
    return FileLock(reinterpret_cast<intptr_t>(file));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

// Closing the handle lets go of its lock.
FileLock::~FileLock() {
    if (handle_ != -1) CloseHandle(handle_of(handle_));
}

}  // namespace qinghe::platform
