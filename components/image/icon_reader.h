// Icon and cursor files: a directory of entries, each a device-independent
// bitmap with a transparency mask or an embedded PNG. The entry shown is the
// first one 32 pixels wide with at least 16 colours, else the last one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "components/image/decoded_image.h"

namespace qinghe::image {

std::optional<DecodedImage> read_icon(std::span<const uint8_t> bytes);

}  // namespace qinghe::image
