#include "components/image/icon_reader.h"

#include <cstring>

#include "components/image/byte_reader.h"
#include "components/image/dib_reader.h"
#include "components/image/png_reader.h"

namespace qinghe::image {
namespace {

constexpr uint16_t kIcon = 1;
constexpr uint16_t kCursor = 2;
constexpr size_t kEntrySize = 16;

struct Entry {
    int width;  // 0 in the file means 256
    uint32_t colours;
    uint32_t size;
    uint32_t offset;
};

// Colour count of an entry: the stated count, else (0 = "256 or more") what
// the bit depth says. A cursor's depth field holds its hot spot instead.
uint32_t colour_count(uint8_t stated, uint16_t bit_count, bool cursor) {
    if (stated) return stated;
    if (cursor || bit_count == 0 || bit_count >= 8) return 256;
    return 1u << bit_count;
}

Entry read_entry(ByteReader& in, bool cursor) {
    Entry e{};
    uint8_t width = in.u8();
    e.width = width ? width : 256;
    in.skip(1);  // height
    uint8_t stated = in.u8();
    in.skip(3);  // reserved, planes or hot spot x
    uint16_t bit_count = in.u16();
    e.colours = colour_count(stated, bit_count, cursor);
    e.size = in.u32();
    e.offset = in.u32();
    return e;
}

}  // namespace

std::optional<DecodedImage> read_icon(std::span<const uint8_t> bytes) {
    ByteReader in(bytes);
    uint16_t reserved = in.u16(), type = in.u16(), count = in.u16();
    if (!in.ok() || reserved != 0 || (type != kIcon && type != kCursor) || count == 0)
        return std::nullopt;
    if (in.remaining() < size_t(count) * kEntrySize) return std::nullopt;

    Entry chosen{};
    for (uint16_t i = 0; i < count; ++i) {
        chosen = read_entry(in, type == kCursor);
        if (chosen.width == 32 && chosen.colours >= 16) break;
    }
    if (chosen.offset > bytes.size() || chosen.size > bytes.size() - chosen.offset)
        return std::nullopt;
    std::span<const uint8_t> image = bytes.subspan(chosen.offset, chosen.size);
    if (image.size() >= 8 && std::memcmp(image.data(), "\x89PNG\r\n\x1A\n", 8) == 0)
        return read_png(image);
    return read_dib(image, std::nullopt, DibRole::icon);
}

}  // namespace qinghe::image
