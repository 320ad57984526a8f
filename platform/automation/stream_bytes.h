// The bytes of a stream object in one heap block. An encode writes straight
// into room for its worst case, untouched pages of which cost no memory, and
// gives back what it did not use: no counting pass, no zero-filling.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace qinghe::platform {

class StreamBytes {
public:
    StreamBytes() = default;
    ~StreamBytes() { std::free(data_); }
    StreamBytes(const StreamBytes&) = delete;
    StreamBytes& operator=(const StreamBytes&) = delete;

    size_t size() const { return size_; }
    std::string_view view() const { return {data_, size_}; }

    void clear() {
        std::free(data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

    // Writes `bytes` at `position` (at most size()), overwriting what is
    // there and extending the stream past its end. False when out of memory.
    bool write(size_t position, std::string_view bytes) {
        const size_t end = position + bytes.size();
        if (end > capacity_ && !reserve(std::max(end, capacity_ * 2))) return false;
        if (!bytes.empty()) std::memcpy(data_ + position, bytes.data(), bytes.size());
        size_ = std::max(size_, end);
        return true;
    }

    // Replaces the bytes with what `fill(out)` writes into `room` bytes at
    // out; it returns how many it wrote. False when out of memory.
    template <typename Fill>
    bool assign(size_t room, Fill&& fill) {
        clear();
        if (room == 0) return true;
        data_ = static_cast<char*>(std::malloc(room));
        if (!data_) return false;
        size_ = capacity_ = fill(data_);
        if (size_ < room) {
            if (void* smaller = std::realloc(data_, std::max<size_t>(size_, 1))) {
                data_ = static_cast<char*>(smaller);
            }
        }
        return true;
    }

private:
    bool reserve(size_t capacity) {
        void* grown = std::realloc(data_, capacity);
        if (!grown) return false;
        data_ = static_cast<char*>(grown);
        capacity_ = capacity;
        return true;
    }

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace qinghe::platform
