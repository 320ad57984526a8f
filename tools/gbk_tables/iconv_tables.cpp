#include "tools/gbk_tables/iconv_tables.h"

#include <algorithm>
#include <iconv.h>
#include <iterator>

namespace qinghe::tools {
namespace {

using platform::GbkTables;

// One iconv descriptor used for single-character conversions.
class OneCharacter {
public:
    OneCharacter(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
    ~OneCharacter() {
        if (opened()) iconv_close(cd_);
    }
    OneCharacter(const OneCharacter&) = delete;
    OneCharacter& operator=(const OneCharacter&) = delete;

    bool opened() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in` whole; the output byte count, or -1 when iconv refuses
    // any of it. The descriptor is reset only after a refusal: after a whole
    // character it is in its initial state already.
    int convert(const char* in, size_t in_size, char* out, size_t out_size) {
        if (!opened()) return -1;
        if (refused_) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        char* dst = out;
        size_t dst_left = out_size;
        refused_ = iconv(cd_, &src, &in_size, &dst, &dst_left) == size_t(-1) || in_size != 0;
        return refused_ ? -1 : int(out_size - dst_left);
    }

private:
    iconv_t cd_;
    bool refused_ = true;
};

// The BMP character that `bytes` decode to as exactly one character.
char16_t decode_one(OneCharacter& decoder, const unsigned char* bytes, size_t size) {
    char32_t c;
    if (decoder.convert(reinterpret_cast<const char*>(bytes), size, reinterpret_cast<char*>(&c),
                        4) != 4 ||
        c >= GbkTables::kNoUnit)
        return GbkTables::kNoUnit;
    return char16_t(c);
}

bool fill_decoding(GbkTables& t) {
    OneCharacter decoder("GBK", "UTF-32LE");
    for (unsigned b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        t.single[b] = decode_one(decoder, &byte, 1);
    }
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
        std::fill(std::begin(t.pair[lead - 0x80]), std::end(t.pair[lead - 0x80]),
                  GbkTables::kNoUnit);
        if (t.single[lead] != GbkTables::kNoUnit) continue;
        for (unsigned trail = 0; trail < 256; ++trail) {
            const unsigned char bytes[2] = {static_cast<unsigned char>(lead),
                                            static_cast<unsigned char>(trail)};
            t.pair[lead - 0x80][trail] = decode_one(decoder, bytes, 2);
        }
    }
    return decoder.opened();
}

bool fill_encoding(GbkTables& t) {
    OneCharacter encoder("UTF-32LE", "GBK");
    for (char32_t c = 0; c < 0x10000; ++c) {
        unsigned char out[4];
        int n = (c >= 0xD800 && c < 0xE000) ? -1
                                            : encoder.convert(reinterpret_cast<const char*>(&c), 4,
                                                              reinterpret_cast<char*>(out), 4);
        t.encode[c] = n == 0   ? GbkTables::kNothing
                      : n == 1 ? out[0]
                      : n == 2 ? uint16_t(out[0] << 8 | out[1])
                               : GbkTables::kNoBytes;
    }
    return encoder.opened();
}

}  // namespace

bool fill_gbk_tables_from_iconv(GbkTables& t) {
    const bool decodes = fill_decoding(t);
    const bool encodes = fill_encoding(t);
    t.ascii_as_is = true;
    for (char16_t c = 0; c < 0x80; ++c)
        t.ascii_as_is = t.ascii_as_is && t.single[c] == c && t.encode[c] == c;
    return decodes && encodes;
}

}  // namespace qinghe::tools
