// The direct codecs: UTF-8, UTF-16LE and GBK, private to
// text_encoding_direct.cpp.
//
// A decoder walks its bytes and hands each character to `emit`; where iconv
// refuses the character at a position (malformed or cut short), it hands
// over U+FFFD and moves on by one byte, as text_encoding_iconv.cpp does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/charset_tables.h"
#include "platform/text_encoding_ascii_runs.h"
#include "platform/text_encoding_detail.h"

namespace qinghe::platform::detail {

inline bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at `p` (shortest form, no
// surrogates, at most U+10FFFF), or 0.
inline size_t utf8_sequence(const unsigned char* p, size_t left, char32_t& c) {
    const unsigned char b = p[0];
    if (b >= 0xC2 && b < 0xE0) {
        if (left < 2 || !continuation(p[1])) return 0;
        c = char32_t(b & 0x1F) << 6 | (p[1] & 0x3F);
        return 2;
    }
    if (b >= 0xE0 && b < 0xF0) {
        if (left < 3 || !continuation(p[1]) || !continuation(p[2])) return 0;
        c = char32_t(b & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
        return c >= 0x800 && (c < 0xD800 || c >= 0xE000) ? 3 : 0;
    }
    if (b >= 0xF0 && b < 0xF5) {
        if (left < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3])) return 0;
        c = char32_t(b & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 |
            (p[3] & 0x3F);
        return c >= 0x10000 && c < 0x110000 ? 4 : 0;
    }
    return 0;
}

template <typename Emit>
void decode_utf8(std::string_view input, Emit&& emit) {
    auto p = reinterpret_cast<const unsigned char*>(input.data());
    const size_t n = input.size();
    size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80 && i + 16 <= n) {
            const size_t k = emit.ascii16(p + i);
            i += k;
            if (k) continue;
        }
        if (p[i] < 0x80) {
            emit(char32_t(p[i++]));
            continue;
        }
        char32_t c = 0;
        size_t length = utf8_sequence(p + i, n - i, c);
        emit(length ? c : kReplacement);
        i += length ? length : 1;
    }
}

// UTF-16LE bytes; a unit is read from wherever the last character ended,
// so a refused byte shifts the reading by one byte as iconv's does.
template <typename Emit>
void decode_utf16(std::string_view input, Emit&& emit) {
    auto p = reinterpret_cast<const unsigned char*>(input.data());
    const size_t n = input.size();
    auto unit_at = [p](size_t i) { return char32_t(p[i] | p[i + 1] << 8); };
    size_t i = 0;
    while (i < n) {
        char32_t c = i + 1 < n ? unit_at(i) : kReplacement;
        if (i + 1 >= n || (c >= 0xDC00 && c < 0xE000)) {
            emit(kReplacement);
            i += 1;
        } else if (c < 0xD800 || c >= 0xE000) {
            emit(c);
            i += 2;
        } else if (i + 3 < n && unit_at(i + 2) >= 0xDC00 && unit_at(i + 2) < 0xE000) {
            emit(0x10000 + ((c - 0xD800) << 10) + (unit_at(i + 2) - 0xDC00));
            i += 4;
        } else {
            emit(kReplacement);
            i += 1;
        }
    }
}

template <typename Emit>
void decode_gbk(std::string_view input, Emit&& emit) {
    const GbkTables& t = gbk_tables();
    auto p = reinterpret_cast<const unsigned char*>(input.data());
    const size_t n = input.size();
    size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80 && i + 16 <= n && t.ascii_as_is) {
            const size_t k = emit.ascii16(p + i);
            i += k;
            if (k) continue;
        }
        const unsigned char b = p[i];
        if (t.single[b] != GbkTables::kNoUnit) {
            emit(char32_t(t.single[b]));
            i += 1;
        } else if (b >= 0x80 && i + 1 < n && t.pair[b - 0x80][p[i + 1]] != GbkTables::kNoUnit) {
            emit(char32_t(t.pair[b - 0x80][p[i + 1]]));
            i += 2;
        } else {
            emit(kReplacement);
            i += 1;
        }
    }
}

template <typename Emit>
void decode(Codec codec, std::string_view input, Emit&& emit) {
    switch (codec) {
    case Codec::kUtf8: decode_utf8(input, emit); break;
    case Codec::kUtf16: decode_utf16(input, emit); break;
    default: decode_gbk(input, emit); break;
    }
}

// Encoders write through a pointer into output sized for the worst case;
// `ascii16` takes a block of 16 bytes or units (see widen_ascii16).
// Each works on a local copy of its pointer: a char store may alias the
// member, which would otherwise be reloaded after every byte.
struct Utf8Writer {
    char* end;
    size_t ascii16(const unsigned char* p) { return advance(copy_ascii16(p, end)); }
    size_t ascii16(const char16_t* p) { return advance(narrow_ascii16(p, end)); }
    size_t advance(size_t k) {
        end += k;
        return k;
    }
    void operator()(char32_t c) {
        char* out = end;
        if (c < 0x80) {
            *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | c >> 6);
            *out++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out++ = char(0xE0 | c >> 12);
            *out++ = char(0x80 | (c >> 6 & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        } else {
            *out++ = char(0xF0 | c >> 18);
            *out++ = char(0x80 | (c >> 12 & 0x3F));
            *out++ = char(0x80 | (c >> 6 & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
        end = out;
    }
};

struct Utf16Writer {
    char16_t* out;
    size_t ascii16(const unsigned char* p) {
        const size_t k = widen_ascii16(p, reinterpret_cast<char*>(out));
        out += k;
        return k;
    }
    void operator()(char32_t c) {
        if (c < 0x10000) {
            *out++ = char16_t(c);
        } else {
            *out++ = char16_t(0xD800 + ((c - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
};

// UTF-16LE as bytes.
struct Utf16ByteWriter {
    char* end;
    size_t ascii16(const unsigned char* p) {
        const size_t k = widen_ascii16(p, end);
        end += 2 * k;
        return k;
    }
    size_t ascii16(const char16_t* p) {
        char ignored[16];
        const size_t k = narrow_ascii16(p, ignored);
        std::memcpy(end, p, 2 * k);
        end += 2 * k;
        return k;
    }
    void operator()(char32_t c) {
        char16_t units[2];
        Utf16Writer w{units};
        w(c);
        char* out = end;
        for (char16_t* u = units; u != w.out; ++u) {
            *out++ = char(*u & 0xFF);
            *out++ = char(*u >> 8);
        }
        end = out;
    }
};

struct GbkWriter {
    const GbkTables& t;
    char* end;
    template <typename Unit>
    size_t ascii16(const Unit* p) {
        if (!t.ascii_as_is) return 0;
        size_t k;
        if constexpr (sizeof(Unit) == 1) k = copy_ascii16(p, end);
        else k = narrow_ascii16(p, end);
        end += k;
        return k;
    }
    void operator()(char32_t c) {
        char* out = end;
        if (c < 0x80 && t.ascii_as_is) {
            *out++ = char(c);
            end = out;
            return;
        }
        const uint16_t bytes = c < 0x10000                  ? t.encode[c]
                               : (c >> 7) == (0xE0000 >> 7) ? GbkTables::kNothing  // tag characters
                                                            : GbkTables::kNoBytes;
        if (bytes == GbkTables::kNothing) return;
        if (bytes == GbkTables::kNoBytes) {
            *out++ = '?';
        } else if (bytes < 0x100) {
            *out++ = char(bytes);
        } else {
            *out++ = char(bytes >> 8);
            *out++ = char(bytes & 0xFF);
        }
        end = out;
    }
};

// GBK written over the units being encoded, the output starting at or before
// the first unit. Every character takes no more bytes than its units, so the
// output never overtakes the input; only the 16-byte store of an ASCII block
// could, and it is taken only while it stays clear of the units not yet read.
struct GbkOverWriter : GbkWriter {
    size_t ascii16(const char16_t* p) {
        if (end + 16 > reinterpret_cast<const char*>(p)) return 0;
        return GbkWriter::ascii16(p);
    }
};

}  // namespace qinghe::platform::detail
