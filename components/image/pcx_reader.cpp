#include "components/image/pcx_reader.h"

#include <vector>

#include "components/image/byte_reader.h"

namespace qinghe::image {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 769;  // marker 0x0C and 256 RGB entries
constexpr uint8_t kPaletteMarker = 0x0C;

struct PcxHeader {
    int version = 0;
    int bits_per_pixel = 0;
    int32_t width = 0;
    int32_t height = 0;
    int planes = 0;
    size_t bytes_per_line = 0;
};

std::optional<PcxHeader> read_header(std::span<const uint8_t> bytes) {
    ByteReader in(bytes);
    PcxHeader h;
    uint8_t maker = in.u8();
    h.version = in.u8();
    uint8_t encoding = in.u8();
    h.bits_per_pixel = in.u8();
    int32_t x_min = in.u16(), y_min = in.u16(), x_max = in.u16(), y_max = in.u16();
    in.skip(65 - in.position());
    h.planes = in.u8();
    h.bytes_per_line = in.u16();
    if (!in.ok() || bytes.size() < kHeaderSize || maker != 0x0A || encoding != 1 || h.planes != 1)
        return std::nullopt;
    bool colour = h.bits_per_pixel == 8 && h.version <= 5;
    bool monochrome = h.bits_per_pixel == 1 && h.version == 3;
    if (!colour && !monochrome) return std::nullopt;
    h.width = x_max - x_min + 1;
    h.height = y_max - y_min + 1;
    if (!fits_budget(h.width, h.height)) return std::nullopt;
    if (h.bytes_per_line * 8 < size_t(h.width) * size_t(h.bits_per_pixel)) return std::nullopt;
    if (h.bytes_per_line * size_t(h.height) > size_t(kMaxDecodedPixels)) return std::nullopt;
    return h;
}

// Run-length scan lines: a byte with both top bits set repeats the next byte
// (low six bits) times. Fails when the data ends before the picture does.
std::optional<std::vector<uint8_t>> unpack_lines(std::span<const uint8_t> data, size_t size) {
    std::vector<uint8_t> lines;  // grows with the data, so a cut file allocates little
    ByteReader in(data);
    while (lines.size() < size) {
        uint8_t byte = in.u8();
        size_t repeat = 1;
        if ((byte & 0xC0) == 0xC0) {
            repeat = byte & 0x3F;
            byte = in.u8();
        }
        if (!in.ok()) return std::nullopt;
        lines.insert(lines.end(), std::min(repeat, size - lines.size()), byte);
    }
    return lines;
}

}  // namespace

std::optional<DecodedImage> read_pcx(std::span<const uint8_t> bytes) {
    auto header = read_header(bytes);
    if (!header) return std::nullopt;
    std::span<const uint8_t> data = bytes.subspan(kHeaderSize);
    uint32_t palette[256];
    if (header->bits_per_pixel == 8) {
        if (data.size() < kPaletteSize || data[data.size() - kPaletteSize] != kPaletteMarker)
            return std::nullopt;
        const uint8_t* rgb = &data[data.size() - kPaletteSize + 1];
        for (int i = 0; i < 256; ++i) palette[i] = argb(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
        data = data.first(data.size() - kPaletteSize);
    } else {
        palette[0] = argb(0, 0, 0);
        palette[1] = argb(0xFF, 0xFF, 0xFF);
    }
    auto lines = unpack_lines(data, header->bytes_per_line * size_t(header->height));
    if (!lines) return std::nullopt;

    DecodedImage image(header->width, header->height);
    for (int32_t y = 0; y < header->height; ++y) {
        const uint8_t* line = lines->data() + header->bytes_per_line * size_t(y);
        for (int32_t x = 0; x < header->width; ++x) {
            unsigned index =
                header->bits_per_pixel == 8 ? line[x] : (line[x / 8] >> (7 - x % 8)) & 1;
            image.at(x, y) = palette[index];
        }
    }
    return image;
}

}  // namespace qinghe::image
