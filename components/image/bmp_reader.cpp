#include "components/image/bmp_reader.h"

#include "components/image/byte_reader.h"
#include "components/image/dib_reader.h"

namespace qinghe::image {

namespace {
constexpr size_t kFileHeaderSize = 14;
}

std::optional<DecodedImage> read_bmp(std::span<const uint8_t> bytes) {
    ByteReader in(bytes);
    if (in.u16() != 0x4D42) return std::nullopt;  // "BM"
    in.skip(8);                                   // file size, two reserved words
    uint32_t bits_offset = in.u32();
    if (!in.ok()) return std::nullopt;
    // A zero offset means the bits follow the palette, as in a packed bitmap.
    std::optional<size_t> bits;
    if (bits_offset != 0) {
        if (bits_offset < kFileHeaderSize || bits_offset > bytes.size()) return std::nullopt;
        bits = bits_offset - kFileHeaderSize;
    }
    return read_dib(bytes.subspan(kFileHeaderSize), bits, DibRole::bitmap);
}

}  // namespace qinghe::image
