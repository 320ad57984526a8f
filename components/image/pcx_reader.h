// PCX pictures: 256 colours (8 bits, one plane, palette at the end of the
// file) and monochrome (version 3, 1 bit, one plane; set bits are white).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "components/image/decoded_image.h"

namespace qinghe::image {

std::optional<DecodedImage> read_pcx(std::span<const uint8_t> bytes);

}  // namespace qinghe::image
