#include "components/image/gif_canvas.h"

#include <algorithm>

namespace qinghe::image {

GifCanvas::GifCanvas(int32_t width, int32_t height, uint32_t fill) : screen_(width, height, fill) {}

GifCanvas::Area GifCanvas::clip(const GifFrame& frame) const {
    Area a;
    a.left = std::clamp<int64_t>(frame.left, 0, screen_.width);
    a.top = std::clamp<int64_t>(frame.top, 0, screen_.height);
    a.right = std::clamp<int64_t>(int64_t(frame.left) + frame.width, 0, screen_.width);
    a.bottom = std::clamp<int64_t>(int64_t(frame.top) + frame.height, 0, screen_.height);
    return a;
}

void GifCanvas::draw(const GifFrame& frame) {
    if (!saved_area_.empty()) {
        auto saved = saved_pixels_.begin();
        for (int32_t y = saved_area_.top; y < saved_area_.bottom; ++y)
            for (int32_t x = saved_area_.left; x < saved_area_.right; ++x)
                screen_.at(x, y) = *saved++;
        saved_area_ = {};
    }
    Area area = clip(frame);
    if (area.empty()) return;
    if (frame.disposal == 2 || frame.disposal == 3) {
        saved_area_ = area;
        saved_pixels_.clear();
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                saved_pixels_.push_back(screen_.at(x, y));
    }
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const uint32_t* row = &frame.pixels[size_t(y - frame.top) * size_t(frame.width)];
        for (int32_t x = area.left; x < area.right; ++x) {
            uint32_t p = row[x - frame.left];
            if (alpha_of(p) != 0) screen_.at(x, y) = p;
        }
    }
}

}  // namespace qinghe::image
