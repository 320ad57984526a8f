// JPEG pictures from memory through libjpeg (24-bit colour, stored opaque).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "components/image/decoded_image.h"

namespace qinghe::image {

std::optional<DecodedImage> read_jpeg(std::span<const uint8_t> bytes);

}  // namespace qinghe::image
