// Small encoders that build picture files for the decoder tests and the fuzz seeds.
#pragma once

#include <cstdint>
#include <vector>

namespace qinghe::image::testing {

using Bytes = std::vector<uint8_t>;

// A bitmap: `values` are palette indices for 1-8 bits per pixel, else 0xAARRGGBB.
struct Dib {
    int32_t width = 0;
    int32_t height = 0;
    int bits_per_pixel = 24;
    std::vector<uint32_t> palette;
    std::vector<uint32_t> values;  // rows top first
    std::vector<bool> mask;        // icons only: true = transparent
};

// 40-byte header, palette, bottom-up rows (and the icon mask, with double height).
Bytes dib_bytes(const Dib& dib, bool icon);
Bytes bmp_file(const Dib& dib);

struct IconEntry {
    uint8_t width;
    uint8_t colour_count;
    uint16_t bit_count;
    Bytes image;  // a dib (icon layout) or a PNG file
};
Bytes icon_file(uint16_t type, const std::vector<IconEntry>& entries);

struct GifTestFrame {
    uint16_t left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;  // rows top first
    uint16_t delay = 0;
    int disposal = 0;
    int transparent_index = -1;  // -1: no graphic control transparency
    bool interlaced = false;
    std::vector<uint32_t> local_palette;  // empty: use the global one
};
Bytes gif_file(uint16_t width, uint16_t height, const std::vector<uint32_t>& palette,
               const std::vector<GifTestFrame>& frames);

// 256 colours (bits 8, palette of 256) or monochrome (bits 1, version 3).
Bytes pcx_file(int32_t width, int32_t height, int bits_per_pixel,
               const std::vector<uint8_t>& values, const std::vector<uint32_t>& palette);

Bytes png_file(int32_t width, int32_t height, const std::vector<uint32_t>& argb_pixels);
Bytes jpeg_file(int32_t width, int32_t height, const std::vector<uint32_t>& argb_pixels);

}  // namespace qinghe::image::testing
