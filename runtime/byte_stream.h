// Little-endian reading and writing of serialized resource data. The
// reader never reads past its end: every read reports failure instead, and
// after the first failure the reader stays failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qinghe {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}
    explicit ByteReader(std::string_view bytes)
        : ByteReader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}

    bool ok() const { return ok_; }
    size_t position() const { return position_; }
    size_t remaining() const { return ok_ ? length_ - position_ : 0; }
    bool at_end() const { return ok_ && position_ == length_; }

    uint32_t u32() {
        uint8_t b[4] = {};
        copy(b, 4);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    int32_t i32() { return int32_t(u32()); }
    uint16_t u16() {
        uint8_t b[2] = {};
        copy(b, 2);
        return uint16_t(b[0] | b[1] << 8);
    }
    uint8_t u8() {
        uint8_t b = 0;
        copy(&b, 1);
        return b;
    }
    // `count` raw bytes; empty on failure.
    std::string_view bytes(size_t count) {
        if (!take(count)) return {};
        return {reinterpret_cast<const char*>(data_ + position_ - count), count};
    }
    // A 32-bit length followed by that many bytes.
    std::string_view counted() {
        uint32_t n = u32();
        return bytes(n);
    }
    // A zero-terminated text; the terminator is consumed, not returned.
    std::string_view z_text() {
        if (!ok_) return {};
        const void* end = std::memchr(data_ + position_, 0, length_ - position_);
        if (!end) {
            ok_ = false;
            return {};
        }
        size_t n = size_t(static_cast<const uint8_t*>(end) - (data_ + position_));
        std::string_view s(reinterpret_cast<const char*>(data_ + position_), n);
        position_ += n + 1;
        return s;
    }
    void skip(size_t count) { take(count); }

private:
    bool take(size_t count) {
        if (!ok_ || count > length_ - position_) {
            ok_ = false;
            return false;
        }
        position_ += count;
        return true;
    }
    void copy(uint8_t* out, size_t count) {
        if (take(count)) std::memcpy(out, data_ + position_ - count, count);
    }

    const uint8_t* data_;
    size_t length_;
    size_t position_ = 0;
    bool ok_ = true;
};

class ByteWriter {
public:
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out_.push_back(char(v >> (8 * i)));
    }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void u16(uint16_t v) {
        out_.push_back(char(v));
        out_.push_back(char(v >> 8));
    }
    void u8(uint8_t v) { out_.push_back(char(v)); }
    void bytes(std::string_view b) { out_.append(b); }
    void counted(std::string_view b) {
        u32(uint32_t(b.size()));
        bytes(b);
    }
    void z_text(std::string_view s) {
        out_.append(s);
        out_.push_back('\0');
    }
    const std::string& data() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

}  // namespace qinghe
