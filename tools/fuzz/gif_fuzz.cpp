// libFuzzer target: the GIF block walk, the LZW decoder and frame drawing.
#include "components/image/gif_canvas.h"
#include "components/image/gif_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qinghe::image;
    auto animation = read_gif(std::span(data, size));
    if (!animation) return 0;
    GifCanvas canvas(animation->width, animation->height, argb(1, 2, 3));
    for (const GifFrame& frame : animation->frames) canvas.draw(frame);
    return 0;
}
