// Device-independent bitmaps: the pixel data inside bitmap files and inside
// icon and cursor entries. Handles the 12-byte and the 40-byte (and longer)
// headers, 1, 4, 8, 16, 24 and 32 bits per pixel, palettes, bit-field masks
// and 4- and 8-bit run-length compression.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "components/image/decoded_image.h"

namespace qinghe::image {

enum class DibRole {
    bitmap,  // a bitmap file: 32-bit pixels are opaque, rows may run top-down
    icon,    // an icon or cursor entry: double height, followed by a 1-bit transparency mask
};

// `dib` starts at the header. The pixel bits start at `bits_offset` into
// `dib` when given, else right after the header and palette.
std::optional<DecodedImage> read_dib(std::span<const uint8_t> dib,
                                     std::optional<size_t> bits_offset, DibRole role);

}  // namespace qinghe::image
