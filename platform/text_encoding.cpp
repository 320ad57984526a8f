#include "platform/text_encoding.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// ASCII runs, 16 bytes or units per step. Each takes a block of 16, writes
// all 16 positions of `out` (callers keep that room) and returns how many
// leading elements were ASCII: only those count as written.
#if defined(__SSE2__)

inline unsigned leading(unsigned ascii_mask) {
    return ascii_mask == 0xFFFF ? 16 : unsigned(std::countr_one(ascii_mask));
}

// Bytes to UTF-16LE: each byte gains a zero high byte.
inline size_t widen_ascii16(const unsigned char* p, char* out) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(v, zero));
    return leading(~unsigned(_mm_movemask_epi8(v)) & 0xFFFF);
}

inline size_t copy_ascii16(const unsigned char* p, char* out) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    return leading(~unsigned(_mm_movemask_epi8(v)) & 0xFFFF);
}

// Bit k set when unit k of the 16 at p is below 0x80.
inline unsigned ascii_unit_mask(__m128i a, __m128i b) {
    const __m128i high = _mm_set1_epi16(int16_t(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    const __m128i ascii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a, high), zero),
                                          _mm_cmpeq_epi16(_mm_and_si128(b, high), zero));
    return unsigned(_mm_movemask_epi8(ascii));
}

// Units to bytes: the low byte of each (what counts is ASCII anyway).
inline size_t narrow_ascii16(const char16_t* p, char* out) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i low = _mm_set1_epi16(0xFF);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_packus_epi16(_mm_and_si128(a, low), _mm_and_si128(b, low)));
    return leading(ascii_unit_mask(a, b));
}

// How many of the 16 units at p are ASCII, and whether any is a surrogate.
struct Census {
    size_t ascii;
    bool surrogate;
};

inline Census census16(const char16_t* p) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i zero = _mm_setzero_si128();
    const __m128i high = _mm_set1_epi16(int16_t(0xFF80));
    const __m128i ascii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a, high), zero),
                                          _mm_cmpeq_epi16(_mm_and_si128(b, high), zero));
    const __m128i sums = _mm_sad_epu8(ascii, zero);  // 0xFF per ASCII unit, in two halves
    const size_t count = size_t(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4)) / 0xFF;
    const __m128i mask = _mm_set1_epi16(int16_t(0xF800));
    const __m128i surrogate = _mm_set1_epi16(int16_t(0xD800));
    const __m128i found = _mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(a, mask), surrogate),
                                       _mm_cmpeq_epi16(_mm_and_si128(b, mask), surrogate));
    return {count, _mm_movemask_epi8(found) != 0};
}

#else  // one element at a time

inline size_t widen_ascii16(const unsigned char* p, char* out) {
    size_t k = 0;
    for (; k < 16 && p[k] < 0x80; ++k) {
        out[2 * k] = char(p[k]);
        out[2 * k + 1] = 0;
    }
    return k;
}

inline size_t copy_ascii16(const unsigned char* p, char* out) {
    size_t k = 0;
    for (; k < 16 && p[k] < 0x80; ++k) out[k] = char(p[k]);
    return k;
}

inline size_t narrow_ascii16(const char16_t* p, char* out) {
    size_t k = 0;
    for (; k < 16 && p[k] < 0x80; ++k) out[k] = char(p[k]);
    return k;
}

struct Census {
    size_t ascii;
    bool surrogate;
};

inline Census census16(const char16_t* p) {
    Census c{0, false};
    for (size_t k = 0; k < 16; ++k) {
        c.ascii += p[k] < 0x80;
        c.surrogate = c.surrogate || (p[k] >= 0xD800 && p[k] < 0xE000);
    }
    return c;
}

#endif

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

// Every input byte decodes to at most one character, and a character takes
// at most this many output bytes (a surrogate pair comes from 4 input bytes).
size_t bytes_per_input_byte(Codec from, Codec to) {
    switch (to) {
    case Codec::kUtf8: return 3;
    case Codec::kUtf16: return 2;
    default: return from == Codec::kGbk ? 2 : 1;
    }
}

template <typename Writer>
char* decode_into(std::string_view input, Codec from, Writer w) {
    decode(from, input, w);
    return w.end;
}

size_t direct_bytes_into(std::string_view input, Codec from, Codec to, char* out) {
    char* end;
    switch (to) {
    case Codec::kUtf8: end = decode_into(input, from, Utf8Writer{out}); break;
    case Codec::kUtf16: end = decode_into(input, from, Utf16ByteWriter{out}); break;
    default: end = decode_into(input, from, GbkWriter{gbk_tables(), out}); break;
    }
    return size_t(end - out);
}

std::string direct_bytes(std::string_view input, Codec from, Codec to) {
    std::string out(input.size() * bytes_per_input_byte(from, to), '\0');
    out.resize(direct_bytes_into(input, from, to, out.data()));
    return out;
}

size_t direct_units_into(std::string_view input, Codec from, char16_t* out) {
    Utf16Writer w{out};
    decode(from, input, w);
    return size_t(w.out - out);
}

std::u16string direct_units(std::string_view input, Codec from) {
    std::u16string out(input.size(), u'\0');
    out.resize(direct_units_into(input, from, out.data()));
    return out;
}

bool lone_surrogate_at(std::u16string_view units, size_t i) {
    const char16_t c = units[i];
    if (c < 0xD800 || c >= 0xE000) return false;
    return c >= 0xDC00 || i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] >= 0xE000;
}

// Encodes units up to the first lone surrogate; returns where it stopped.
template <typename Writer>
size_t encode_well_formed(std::u16string_view units, Writer& w) {
    size_t i = 0;
    const size_t n = units.size();
    while (i < n) {
        if (units[i] < 0x80 && i + 16 <= n) {
            const size_t k = w.ascii16(units.data() + i);
            i += k;
            if (k) continue;
        }
        if (lone_surrogate_at(units, i)) break;
        const char32_t c = units[i];
        if (c < 0xD800 || c >= 0xE000) {
            w(c);
            i += 1;
        } else {
            w(0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            i += 2;
        }
    }
    return i;
}

// Output bytes per ASCII unit and per other unit of well-formed units.
struct UnitCost {
    size_t ascii, other;
};

UnitCost unit_cost(Codec to) {
    switch (to) {
    case Codec::kUtf8: return {1, 3};
    case Codec::kUtf16: return {2, 2};
    default: return {1, 2};
    }
}

// The room encoding needs: for well-formed units (what pages hold) the
// bytes per ASCII and per other unit, so that little more memory than
// needed is taken. From a lone surrogate on, the rest is decoded as bytes,
// as iconv reads it, and needs room for that.
size_t encoded_room(std::u16string_view units, Codec to) {
    const UnitCost cost = unit_cost(to);
    const size_t n = units.size();
    size_t room = 0;
    for (size_t i = 0; i < n;) {
        if (i + 16 <= n) {
            const Census c = census16(units.data() + i);
            if (!c.surrogate) {
                room += c.ascii * cost.ascii + (16 - c.ascii) * cost.other;
                i += 16;
                continue;
            }
        }
        // A unit at a time in the tail and past a surrogate.
        if (units[i] < 0x80) {
            room += cost.ascii;
            i += 1;
        } else if (lone_surrogate_at(units, i)) {
            return room + (n - i) * 2 * bytes_per_input_byte(Codec::kUtf16, to);
        } else {
            const size_t length = units[i] >= 0xD800 && units[i] < 0xE000 ? 2 : 1;
            room += length * cost.other;
            i += length;
        }
    }
    return room;
}

template <typename Writer>
size_t encode_units_into(std::u16string_view units, Writer w, char* out) {
    w.end = out;
    const size_t stop = encode_well_formed(units, w);
    if (stop < units.size()) {
        const std::string_view rest(reinterpret_cast<const char*>(units.data() + stop),
                                    (units.size() - stop) * 2);
        decode_utf16(rest, w);
    }
    return size_t(w.end - out);
}

size_t direct_from_units_into(std::u16string_view units, Codec to, char* out) {
    switch (to) {
    case Codec::kUtf8: return encode_units_into(units, Utf8Writer{nullptr}, out);
    case Codec::kUtf16: return encode_units_into(units, Utf16ByteWriter{nullptr}, out);
    default: return encode_units_into(units, GbkWriter{gbk_tables(), nullptr}, out);
    }
}

std::string direct_from_units(std::u16string_view units, Codec to) {
    std::string out(encoded_room(units, to), '\0');
    out.resize(direct_from_units_into(units, to, out.data()));
    return out;
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
    if (source != Codec::kOther && target != Codec::kOther)
        return direct_bytes(input, source, target);
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
        return convert_text({reinterpret_cast<const char*>(units.data()), units.size() * 2},
                            "UTF-16LE", to);
    return direct_from_units(units, target);
}

std::string gbk_from_utf8(std::string_view utf8) {
    return direct_bytes(utf8, Codec::kUtf8, Codec::kGbk);
}
std::string utf8_from_gbk(std::string_view gbk) {
    return direct_bytes(gbk, Codec::kGbk, Codec::kUtf8);
}
std::u16string utf16_from_gbk(std::string_view gbk) { return direct_units(gbk, Codec::kGbk); }
std::string gbk_from_utf16(std::u16string_view utf16) {
    return direct_from_units(utf16, Codec::kGbk);
}

size_t utf16_into(std::string_view input, const char* from, char16_t* out) {
    const Codec source = codec_of(from);
    if (source != Codec::kOther) return direct_units_into(input, source, out);
    const std::u16string units = utf16_from_text(input, from);
    const size_t count = std::min(units.size(), input.size());
    std::copy_n(units.data(), count, out);
    return count;
}

size_t gbk_room(std::u16string_view units) { return encoded_room(units, Codec::kGbk); }
size_t gbk_into(std::u16string_view units, char* out) {
    return direct_from_units_into(units, Codec::kGbk, out);
}

}  // namespace qinghe::platform
