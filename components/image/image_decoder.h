// Picture files as the picture box and the label take them: the kind is told
// by the first 8 bytes, then the matching reader decodes the whole file.
// Corrupt or hostile bytes give no picture, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "components/image/decoded_image.h"

namespace qinghe::image {

enum class ImageKind { none, jpeg, bitmap, png, icon, cursor, gif, pcx };

// Fewer than 8 bytes, or a start no reader knows, is ImageKind::none.
ImageKind detect_image_kind(std::span<const uint8_t> bytes);

// The picture (the first frame of a GIF, on its transparent logical screen).
std::optional<DecodedImage> decode_image(std::span<const uint8_t> bytes);

}  // namespace qinghe::image
