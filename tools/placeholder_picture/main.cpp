// Draws the About window's placeholder picture: two made-up square codes
// side by side on a warm background, framed by a half-transparent border
// and crossed by a half-transparent band, so that alpha blending shows.
//
//   qinghe-placeholder-picture OUTPUT.png
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 632;
constexpr int kHeight = 280;
constexpr int kModules = 25;
constexpr int kModuleSize = 9;

struct Rgba {
    uint8_t r, g, b, a;
};

class Canvas {
public:
    Canvas() : pixels_(size_t(kWidth) * kHeight, Rgba{250, 236, 214, 255}) {}
    void fill(int x, int y, int w, int h, Rgba c) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                if (i >= 0 && j >= 0 && i < kWidth && j < kHeight) at(i, j) = c;
    }
    Rgba& at(int x, int y) { return pixels_[size_t(y) * kWidth + size_t(x)]; }
    const Rgba* row(int y) const { return &pixels_[size_t(y) * kWidth]; }

private:
    std::vector<Rgba> pixels_;
};

// A finder square in one corner of a code: 7 x 7 modules, ring and core.
void finder(Canvas& c, int x, int y, Rgba ink, Rgba paper) {
    c.fill(x, y, 7 * kModuleSize, 7 * kModuleSize, ink);
    c.fill(x + kModuleSize, y + kModuleSize, 5 * kModuleSize, 5 * kModuleSize, paper);
    c.fill(x + 2 * kModuleSize, y + 2 * kModuleSize, 3 * kModuleSize, 3 * kModuleSize, ink);
}

bool in_finder(int mx, int my) {
    auto corner = [](int m) { return m < 8 || m >= kModules - 8; };
    return corner(mx) && corner(my) && !(mx >= kModules - 8 && my >= kModules - 8);
}

// A made-up code: finder squares and modules from a fixed pseudo-random walk.
void code(Canvas& c, int x, int y, uint32_t seed, Rgba ink) {
    const Rgba paper{255, 255, 255, 255};
    const int side = kModules * kModuleSize;
    c.fill(x - 8, y - 8, side + 16, side + 16, paper);
    for (int my = 0; my < kModules; ++my) {
        for (int mx = 0; mx < kModules; ++mx) {
            seed = seed * 1664525u + 1013904223u;
            if (!in_finder(mx, my) && (seed >> 28) % 2)
                c.fill(x + mx * kModuleSize, y + my * kModuleSize, kModuleSize, kModuleSize, ink);
        }
    }
    const int far = (kModules - 7) * kModuleSize;
    finder(c, x, y, ink, paper);
    finder(c, x + far, y, ink, paper);
    finder(c, x, y + far, ink, paper);
}

void translucent_frame_and_band(Canvas& c) {
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            int edge = std::min(std::min(x, y), std::min(kWidth - 1 - x, kHeight - 1 - y));
            if (edge < 6) c.at(x, y) = Rgba{200, 80, 40, uint8_t(60 + edge * 30)};
            if (x > 300 && x < 332) c.at(x, y).a = 128;
        }
    }
}

bool write_png(const Canvas& c, const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(c.row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qinghe-placeholder-picture OUTPUT.png\n");
        return 1;
    }
    Canvas canvas;
    const int side = kModules * kModuleSize;
    const int top = (kHeight - side) / 2;
    code(canvas, 38, top, 20210412u, Rgba{24, 140, 64, 255});
    code(canvas, kWidth - 38 - side, top, 4121202u, Rgba{20, 90, 200, 255});
    translucent_frame_and_band(canvas);
    if (!write_png(canvas, argv[1])) {
        std::fprintf(stderr, "qinghe-placeholder-picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
