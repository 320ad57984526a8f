// An advisory lock on a file, shared or exclusive, that cooperating
// programs take before they look at or replace another file beside it. It
// is held while the object lives. The lock file is made when missing and
// never removed (removing it would let two programs lock two files).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace qinghe::platform {

class FileLock {
public:
    enum class Kind { shared, exclusive };

    // Waits up to `wait` for the lock on `path`; nullopt when it did not
    // come in time or the file cannot be made or opened.
    static std::optional<FileLock> take(const std::string& path, Kind kind,
                                        std::chrono::milliseconds wait);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    ~FileLock();

private:
    explicit FileLock(intptr_t handle) : handle_(handle) {}

    intptr_t handle_;
};

}  // namespace qinghe::platform
