#include "platform/text_encoding.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

#include "platform/charset_tables.h"

namespace qinghe::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// ---- The direct codecs: UTF-8, UTF-16LE and GBK --------------------------
//
// A decoder walks its bytes and hands each character to `emit`; where iconv
// refuses the character at a position (malformed or cut short), it hands
// over U+FFFD and moves on by one byte, as the iconv path below does.

enum class Codec { kUtf8, kUtf16, kGbk, kOther };

Codec codec_of(const char* name) {
    if (std::strcmp(name, "UTF-8") == 0) return Codec::kUtf8;
    if (std::strcmp(name, "UTF-16LE") == 0) return Codec::kUtf16;
    if (std::strcmp(name, "GBK") == 0) return Codec::kGbk;
    return Codec::kOther;
}

bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Pages are mostly ASCII: eight bytes (or four units) are tested at once
// and passed through as they are.
bool ascii_bytes(const unsigned char* p) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    return (x & 0x8080808080808080ull) == 0;
}

bool ascii_units(const char16_t* p) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    return (x & 0xFF80FF80FF80FF80ull) == 0;
}

// Writes ASCII bytes or units through a plain loop the compiler widens.
template <typename Out, typename Unit>
Out* copy_ascii(Out* out, const Unit* p, size_t count) {
    for (size_t k = 0; k < count; ++k) out[k] = Out(p[k]);
    return out + count;
}

// Four ASCII units to four bytes at once (count is a multiple of four); the
// first unit is the low half of the word read.
static_assert(std::endian::native == std::endian::little);
char* copy_ascii(char* out, const char16_t* p, size_t count) {
    for (size_t k = 0; k < count; k += 4) {
        uint64_t x;
        std::memcpy(&x, p + k, 8);
        const uint32_t bytes = uint32_t((x & 0xFF) | (x >> 8 & 0xFF00) | (x >> 16 & 0xFF0000) | (x >> 24 & 0xFF000000));
        std::memcpy(out + k, &bytes, 4);
    }
    return out + count;
}

// The length of the well-formed UTF-8 sequence at `p` (shortest form, no
// surrogates, at most U+10FFFF), or 0.
size_t utf8_sequence(const unsigned char* p, size_t left, char32_t& c) {
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
        if (i + 8 <= n && ascii_bytes(p + i)) {
            emit.ascii(p + i, 8);
            i += 8;
            continue;
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
        if (i + 8 <= n && t.ascii_as_is && ascii_bytes(p + i)) {
            emit.ascii(p + i, 8);
            i += 8;
            continue;
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

// Encoders write through a pointer into output sized for the worst case.
// Each works on a local copy of its pointer: a char store may alias the
// member, which would otherwise be reloaded after every byte.
struct Utf8Writer {
    char* end;
    template <typename Unit>
    void ascii(const Unit* p, size_t count) { end = copy_ascii(end, p, count); }
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
    template <typename Unit>
    void ascii(const Unit* p, size_t count) { out = copy_ascii(out, p, count); }
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
    template <typename Unit>
    void ascii(const Unit* p, size_t count) {
        for (size_t k = 0; k < count; ++k) (*this)(char32_t(p[k]));
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
    void ascii(const Unit* p, size_t count) {
        if (t.ascii_as_is)
            end = copy_ascii(end, p, count);
        else
            for (size_t k = 0; k < count; ++k) (*this)(char32_t(p[k]));
    }
    void operator()(char32_t c) {
        char* out = end;
        if (c < 0x80 && t.ascii_as_is) {
            *out++ = char(c);
            end = out;
            return;
        }
        const uint16_t bytes = c < 0x10000                   ? t.encode[c]
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

// Every input byte decodes to at most one character, and a character takes
// at most this many output bytes (a surrogate pair comes from 4 input bytes).
size_t bytes_per_input_byte(Codec from, Codec to) {
    switch (to) {
    case Codec::kUtf8: return 3;
    case Codec::kUtf16: return 2;
    default: return from == Codec::kGbk ? 2 : 1;
    }
}

std::string direct_bytes(std::string_view input, Codec from, Codec to) {
    std::string out(input.size() * bytes_per_input_byte(from, to), '\0');
    char* end = nullptr;
    switch (to) {
    case Codec::kUtf8: {
        Utf8Writer w{out.data()};
        decode(from, input, w);
        end = w.end;
        break;
    }
    case Codec::kUtf16: {
        Utf16ByteWriter w{out.data()};
        decode(from, input, w);
        end = w.end;
        break;
    }
    default: {
        GbkWriter w{gbk_tables(), out.data()};
        decode(from, input, w);
        end = w.end;
        break;
    }
    }
    out.resize(size_t(end - out.data()));
    return out;
}

std::u16string direct_units(std::string_view input, Codec from) {
    std::u16string out(input.size(), u'\0');
    Utf16Writer w{out.data()};
    decode(from, input, w);
    out.resize(size_t(w.out - out.data()));
    return out;
}

// Encodes units up to the first lone surrogate; returns where it stopped.
template <typename Writer>
size_t encode_well_formed(std::u16string_view units, Writer& w) {
    size_t i = 0;
    const size_t n = units.size();
    for (; i < n; ++i) {
        if (i + 4 <= n && ascii_units(units.data() + i)) {
            w.ascii(units.data() + i, 4);
            i += 3;
            continue;
        }
        const char32_t c = units[i];
        if (c < 0xD800 || c >= 0xE000) {
            w(c);
        } else if (c < 0xDC00 && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            w(0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            break;
        }
    }
    return i;
}

// The output is sized for well-formed units (what pages hold), so that no
// more memory than needed is taken: per ASCII unit and per other unit at
// most these many bytes. From a lone surrogate on, the rest is decoded as
// bytes, as iconv reads it, and the output grows for that.
template <typename Writer>
std::string encode_units(std::u16string_view units, Writer w, size_t per_ascii, size_t per_other, Codec to) {
    size_t other = 0;
    for (size_t i = 0; i < units.size(); i += 4) {
        if (i + 4 <= units.size() && ascii_units(units.data() + i)) continue;
        for (size_t k = i; k < std::min(i + 4, units.size()); ++k) other += units[k] >= 0x80;
    }
    std::string out((units.size() - other) * per_ascii + other * per_other, '\0');
    w.end = out.data();
    const size_t stop = encode_well_formed(units, w);
    if (stop < units.size()) {
        const size_t written = size_t(w.end - out.data());
        const std::string_view rest(reinterpret_cast<const char*>(units.data() + stop), (units.size() - stop) * 2);
        out.resize(written + rest.size() * bytes_per_input_byte(Codec::kUtf16, to));
        w.end = out.data() + written;
        decode_utf16(rest, w);
    }
    out.resize(size_t(w.end - out.data()));
    return out;
}

std::string direct_from_units(std::u16string_view units, Codec to) {
    switch (to) {
    case Codec::kUtf8: return encode_units(units, Utf8Writer{nullptr}, 1, 3, to);
    case Codec::kUtf16: return encode_units(units, Utf16ByteWriter{nullptr}, 2, 2, to);
    default: return encode_units(units, GbkWriter{gbk_tables(), nullptr}, 1, 2, to);
    }
}

// ---- Any other charset: iconv through UTF-32 ------------------------------

class Converter {
public:
    Converter(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns the iconv errno (0 = all done)
    // and advances `in` past what was consumed.
    int step(const char*& in, size_t& in_left, std::string& out) {
        char buffer[4096];
        while (in_left > 0) {
            char* src = const_cast<char*>(in);
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            size_t r = iconv(cd_, &src, &in_left, &dst, &dst_left);
            out.append(buffer, size_t(dst - buffer));
            in = src;
            if (r == size_t(-1) && errno != E2BIG) return errno;
        }
        return 0;
    }

private:
    iconv_t cd_;
};

// Decodes to UTF-32LE; a malformed byte becomes U+FFFD and is skipped.
std::u32string iconv_decode(std::string_view input, const char* from) {
    Converter c(from, "UTF-32LE");
    std::u32string result;
    if (!c.ok()) return result;
    std::string raw;
    const char* in = input.data();
    size_t left = input.size();
    while (left > 0) {
        if (c.step(in, left, raw) == 0) break;
        raw.append(reinterpret_cast<const char*>(&kReplacement), 4);
        ++in;
        --left;
    }
    result.resize(raw.size() / 4);
    std::memcpy(result.data(), raw.data(), result.size() * 4);
    return result;
}

// Encodes from UTF-32LE; a character the target cannot hold becomes '?'.
std::string iconv_encode(const std::u32string& text, const char* to) {
    Converter c("UTF-32LE", to);
    std::string out;
    if (!c.ok()) return out;
    const char* in = reinterpret_cast<const char*>(text.data());
    size_t left = text.size() * 4;
    while (left > 0) {
        if (c.step(in, left, out) == 0) break;
        out.push_back('?');
        in += 4;
        left -= left < 4 ? left : 4;
    }
    return out;
}

std::u16string units_of(std::string_view utf16le) {
    std::u16string out(utf16le.size() / 2, u'\0');
    std::memcpy(out.data(), utf16le.data(), out.size() * 2);
    return out;
}

}  // namespace

std::string convert_text(std::string_view input, const char* from, const char* to) {
    if (input.empty()) return {};
    const Codec source = codec_of(from);
    const Codec target = codec_of(to);
    if (source != Codec::kOther && target != Codec::kOther) return direct_bytes(input, source, target);
    return iconv_encode(iconv_decode(input, from), to);
}

std::u16string utf16_from_text(std::string_view input, const char* from) {
    const Codec source = codec_of(from);
    if (source == Codec::kOther) return units_of(convert_text(input, from, "UTF-16LE"));
    return direct_units(input, source);
}

std::string text_from_utf16(std::u16string_view units, const char* to) {
    const Codec target = codec_of(to);
    if (target == Codec::kOther)
        return convert_text({reinterpret_cast<const char*>(units.data()), units.size() * 2}, "UTF-16LE", to);
    return direct_from_units(units, target);
}

std::string gbk_from_utf8(std::string_view utf8) { return direct_bytes(utf8, Codec::kUtf8, Codec::kGbk); }
std::string utf8_from_gbk(std::string_view gbk) { return direct_bytes(gbk, Codec::kGbk, Codec::kUtf8); }
std::u16string utf16_from_gbk(std::string_view gbk) { return direct_units(gbk, Codec::kGbk); }
std::string gbk_from_utf16(std::u16string_view utf16) { return direct_from_units(utf16, Codec::kGbk); }

}  // namespace qinghe::platform
