// Direct conversion between UTF-8, UTF-16LE and GBK: output sizing and
// the passes that drive the codecs.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/charset_tables.h"
#include "platform/text_encoding_codecs.h"
#include "platform/text_encoding_detail.h"

namespace qinghe::platform::detail {
namespace {

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

}  // namespace

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

size_t direct_from_units_into(std::u16string_view units, Codec to, char* out) {
    switch (to) {
    case Codec::kUtf8: return encode_units_into(units, Utf8Writer{nullptr}, out);
    case Codec::kUtf16: return encode_units_into(units, Utf16ByteWriter{nullptr}, out);
    default: return encode_units_into(units, GbkWriter{gbk_tables(), nullptr}, out);
    }
}

size_t gbk_over_units(std::u16string_view units, char* out) {
    return encode_units_into(units, GbkOverWriter{{gbk_tables(), nullptr}}, out);
}

std::string direct_from_units(std::u16string_view units, Codec to) {
    std::string out(encoded_room(units, to), '\0');
    out.resize(direct_from_units_into(units, to, out.data()));
    return out;
}

}  // namespace qinghe::platform::detail
