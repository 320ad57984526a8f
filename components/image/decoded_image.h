// A decoded still picture, as every image reader returns it.
//
// Pixels are 32-bit words 0xAARRGGBB, rows top first, no padding: on this
// little-endian machine the bytes of a pixel are B, G, R, A, the layout a
// window system's 32-bit ARGB images use, so a picture can be handed to the
// painter without conversion. Alpha is straight (not premultiplied); a
// picture without alpha has 0xFF in every alpha byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qinghe::image {

// Upper bound on the pixels one decode may allocate (all frames together),
// so that a small hostile file cannot make us reserve gigabytes. Fuzz builds
// lower it so that each run stays fast.
#ifndef QINGHE_IMAGE_PIXEL_BUDGET
#define QINGHE_IMAGE_PIXEL_BUDGET (int64_t(64) << 20)
#endif
inline constexpr int64_t kMaxDecodedPixels = QINGHE_IMAGE_PIXEL_BUDGET;
inline constexpr int32_t kMaxSide = 65535;

constexpr uint32_t argb(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 0xFF) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr uint32_t alpha_of(uint32_t pixel) { return pixel >> 24; }

// Whether a width × height picture is positive and fits within `budget` pixels.
constexpr bool fits_budget(int64_t width, int64_t height, int64_t budget = kMaxDecodedPixels) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= budget;
}

struct DecodedImage {
    int32_t width = 0;
    int32_t height = 0;
    bool has_alpha = false;  // some pixel is not fully opaque
    std::vector<uint32_t> pixels;

    DecodedImage() = default;
    // A picture of the given size (which the caller checked with fits_budget) filled with `fill`.
    DecodedImage(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}

    uint32_t at(int32_t x, int32_t y) const {
        return pixels[size_t(y) * size_t(width) + size_t(x)];
    }
    uint32_t& at(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // Sets has_alpha from the pixels.
    void find_alpha();
};

}  // namespace qinghe::image
