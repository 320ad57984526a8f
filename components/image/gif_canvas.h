// The off-screen image of an animated GIF's logical screen. Frames are drawn
// in order; a frame with disposal method 2 or 3 has the area it covers saved
// first and put back before the next frame is drawn; transparent frame
// pixels leave the image unchanged.
#pragma once

#include "components/image/decoded_image.h"
#include "components/image/gif_reader.h"

namespace qinghe::image {

class GifCanvas {
public:
    // A logical screen of the given size (checked by the reader) filled with `fill`.
    GifCanvas(int32_t width, int32_t height, uint32_t fill);

    void draw(const GifFrame& frame);
    const DecodedImage& image() const { return screen_; }

private:
    struct Area {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
        bool empty() const { return right <= left || bottom <= top; }
    };
    Area clip(const GifFrame& frame) const;

    DecodedImage screen_;
    Area saved_area_;
    std::vector<uint32_t> saved_pixels_;
};

}  // namespace qinghe::image
