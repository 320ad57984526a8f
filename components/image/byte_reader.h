// Bounds-checked reading of little-endian fields from untrusted bytes. A read
// past the end yields 0 and marks the reader failed; callers check ok() once
// after a group of reads instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qinghe::image {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes, size_t position = 0)
        : bytes_(bytes), position_(position), ok_(position <= bytes.size()) {}

    bool ok() const { return ok_; }
    size_t position() const { return position_; }
    size_t remaining() const { return ok_ ? bytes_.size() - position_ : 0; }

    uint8_t u8() {
        if (!take(1)) return 0;
        return bytes_[position_ - 1];
    }
    uint16_t u16() {
        if (!take(2)) return 0;
        return uint16_t(bytes_[position_ - 2] | (bytes_[position_ - 1] << 8));
    }
    uint32_t u32() {
        if (!take(4)) return 0;
        const uint8_t* p = &bytes_[position_ - 4];
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
               (uint32_t(p[3]) << 24);
    }
    int32_t i32() { return int32_t(u32()); }
    // The next n bytes, or an empty span (and failure) when fewer remain.
    std::span<const uint8_t> bytes(size_t n) {
        if (!take(n)) return {};
        return bytes_.subspan(position_ - n, n);
    }
    void skip(size_t n) { take(n); }

private:
    bool take(size_t n) {
        if (!ok_ || n > bytes_.size() - position_) {
            ok_ = false;
            return false;
        }
        position_ += n;
        return true;
    }

    std::span<const uint8_t> bytes_;
    size_t position_;
    bool ok_;
};

}  // namespace qinghe::image
