// GIF pictures (87a and 89a): the block walk and the LZW decoder.
//
// The walk reads blocks in order: a graphic control extension sets the
// disposal method, transparency and delay used by the frames that follow;
// other extensions are skipped (so a loop count is ignored); an image
// descriptor decodes one frame; a trailer or a zero byte ends the round, and
// an unknown block or data that runs out ends it early. A player repeats the
// round for ever.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "components/image/decoded_image.h"

namespace qinghe::image {

struct GifFrame {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t delay_centiseconds = 0;
    int32_t disposal = 0;          // 2 and 3: the covered area is put back before the next frame
    bool transparent = false;      // pixels of the transparent index are 0 (fully transparent)
    std::vector<uint32_t> pixels;  // width × height, rows top first, 0xAARRGGBB

    // How long the frame stays: its delay, or 50 ms when the delay is 0.
    int32_t delay_ms() const { return delay_centiseconds > 0 ? delay_centiseconds * 10 : 50; }
};

struct GifAnimation {
    int32_t width = 0;  // logical screen
    int32_t height = 0;
    std::vector<GifFrame> frames;  // one round, at least one frame
};

std::optional<GifAnimation> read_gif(std::span<const uint8_t> bytes);

// The first frame drawn on the logical screen, which starts fully transparent.
std::optional<DecodedImage> read_gif_still(std::span<const uint8_t> bytes);

}  // namespace qinghe::image
