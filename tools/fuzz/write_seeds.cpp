// Writes small valid pictures of every kind the fuzz targets read, as their
// starting corpus: write_seeds <directory> makes <directory>/<reader>/*.
#include <filesystem>
#include <fstream>
#include <string>

#include "support/test_images.h"

namespace {

using namespace qinghe::image::testing;

void write(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Dib pattern(int bpp, int32_t width, int32_t height) {
    Dib d{width, height, bpp, {}, {}, {}};
    for (int32_t i = 0; i < width * height; ++i)
        d.values.push_back(bpp <= 8 ? uint32_t(i % (1 << std::min(bpp, 2)))
                                    : 0xFF000000u | uint32_t(i * 2654435761u));
    if (bpp <= 8) d.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::filesystem::path root = argv[1];
    for (int bpp : {1, 4, 8, 16, 24, 32})
        write(root / "bmp", "depth" + std::to_string(bpp), bmp_file(pattern(bpp, 7, 5)));
    Bytes rle = bmp_file(pattern(8, 4, 2));
    rle.resize(14 + 40 + 16);
    rle[30] = 1;
    rle.insert(rle.end(), {3, 1, 0, 3, 2, 0, 1, 0, 0, 0, 0, 2, 1, 1, 4, 3, 0, 1});
    write(root / "bmp", "rle8", rle);

    Dib masked = pattern(8, 8, 8);
    masked.mask.assign(64, false);
    masked.mask[9] = masked.mask[30] = true;
    write(root / "icon", "icon",
          icon_file(1, {{8, 4, 8, dib_bytes(masked, true)},
                        {32, 0, 32, dib_bytes(pattern(32, 32, 32), true)}}));
    write(root / "icon", "cursor", icon_file(2, {{8, 2, 1, dib_bytes(pattern(1, 8, 8), true)}}));
    write(root / "icon", "png",
          icon_file(1, {{4, 0, 32, png_file(4, 4, std::vector<uint32_t>(16, 0x80FF8000))}}));

    std::vector<uint8_t> indices;
    for (int i = 0; i < 32 * 24; ++i) indices.push_back(uint8_t((i / 3 + i / 32) % 4));
    GifTestFrame full{0, 0, 32, 24, indices, 5, 0, -1, false, {}};
    GifTestFrame part{4, 3, 8, 6,    std::vector<uint8_t>(48, 2),
                      0, 2, 1, true, {0x112233, 0x445566, 0x778899}};
    write(root / "gif", "animated",
          gif_file(32, 24, {0, 0xFF0000, 0x00FF00, 0x0000FF}, {full, part, full}));
    write(root / "gif", "still",
          gif_file(3, 2, {0, 0xFFFFFF}, {{0, 0, 3, 2, {0, 1, 1, 0, 1, 0}, 0, 0, 0, false, {}}}));

    std::vector<uint8_t> values;
    for (int i = 0; i < 21 * 6; ++i) values.push_back(uint8_t(i < 40 ? 0xC7 : i * 7));
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < 256; ++i) palette.push_back(i * 0x010203u);
    write(root / "pcx", "colour", pcx_file(21, 6, 8, values, palette));
    write(root / "pcx", "mono", pcx_file(21, 6, 1, std::vector<uint8_t>(values.size(), 1), {}));
    return 0;
}
