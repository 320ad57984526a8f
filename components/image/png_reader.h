// PNG pictures from memory through libpng, as 32-bit pixels with alpha.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "components/image/decoded_image.h"

namespace qinghe::image {

std::optional<DecodedImage> read_png(std::span<const uint8_t> bytes);

}  // namespace qinghe::image
