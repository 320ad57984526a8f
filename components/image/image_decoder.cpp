#include "components/image/image_decoder.h"

#include <cstring>

#include "components/image/bmp_reader.h"
#include "components/image/gif_reader.h"
#include "components/image/icon_reader.h"
#include "components/image/jpeg_reader.h"
#include "components/image/pcx_reader.h"
#include "components/image/png_reader.h"

namespace qinghe::image {
namespace {

bool starts_with(std::span<const uint8_t> bytes, const char* prefix) {
    size_t n = std::strlen(prefix);
    return bytes.size() >= n && std::memcmp(bytes.data(), prefix, n) == 0;
}

uint16_t word_at(std::span<const uint8_t> bytes, size_t offset) {
    return uint16_t(bytes[offset] | (bytes[offset + 1] << 8));
}

}  // namespace

ImageKind detect_image_kind(std::span<const uint8_t> bytes) {
    if (bytes.size() < 8) return ImageKind::none;
    if (bytes[0] == 0xFF && bytes[1] == 0xD8) return ImageKind::jpeg;
    if (starts_with(bytes, "BM")) return ImageKind::bitmap;
    if (starts_with(bytes, "\x89PNG")) return ImageKind::png;
    if (word_at(bytes, 0) == 0 && word_at(bytes, 4) != 0) {
        if (word_at(bytes, 2) == 1) return ImageKind::icon;
        if (word_at(bytes, 2) == 2) return ImageKind::cursor;
    }
    if (starts_with(bytes, "GIF87a") || starts_with(bytes, "GIF89a")) return ImageKind::gif;
    if (bytes[0] == 0x0A && bytes[2] == 1) {
        if (bytes[3] == 8 && bytes[1] <= 5) return ImageKind::pcx;
        if (bytes[3] == 1 && bytes[1] == 3) return ImageKind::pcx;
    }
    return ImageKind::none;
}

std::optional<DecodedImage> decode_image(std::span<const uint8_t> bytes) {
    switch (detect_image_kind(bytes)) {
    case ImageKind::jpeg: return read_jpeg(bytes);
    case ImageKind::bitmap: return read_bmp(bytes);
    case ImageKind::png: return read_png(bytes);
    case ImageKind::icon:
    case ImageKind::cursor: return read_icon(bytes);
    case ImageKind::gif: return read_gif_still(bytes);
    case ImageKind::pcx: return read_pcx(bytes);
    case ImageKind::none: break;
    }
    return std::nullopt;
}

}  // namespace qinghe::image
