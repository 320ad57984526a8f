#include "components/image/decoded_image.h"

#include <algorithm>

namespace qinghe::image {

void DecodedImage::find_alpha() {
    has_alpha =
        std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return alpha_of(p) != 0xFF; });
}

}  // namespace qinghe::image
