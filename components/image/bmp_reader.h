// Windows bitmap files ("BM"): a 14-byte file header, then a device-independent bitmap.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "components/image/decoded_image.h"

namespace qinghe::image {

std::optional<DecodedImage> read_bmp(std::span<const uint8_t> bytes);

}  // namespace qinghe::image
