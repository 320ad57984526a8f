#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "components/image/gif_canvas.h"
#include "components/image/gif_reader.h"
#include "components/image/image_decoder.h"
#include "support/test_images.h"

namespace qinghe::image {
namespace {

using testing::Bytes;

constexpr uint32_t kRed = argb(0xFF, 0, 0), kGreen = argb(0, 0xFF, 0), kBlue = argb(0, 0, 0xFF),
                   kWhite = argb(0xFF, 0xFF, 0xFF), kBlack = argb(0, 0, 0);

Bytes bytes_of(std::string s) { return Bytes(s.begin(), s.end()); }

// A 3 × 2 picture (odd width, so rows need padding) in the given depth.
testing::Dib sample_dib(int bpp) {
    testing::Dib d{3, 2, bpp, {}, {}, {}};
    if (bpp <= 8) {
        d.palette = {kRed, kGreen, kBlue, kWhite};
        d.values = {0, 1, 2, 3, 1, 0};
        if (bpp == 1) d.values = {0, 1, 1, 0, 0, 1};
    } else {
        d.values = {kRed, kGreen, kBlue, kWhite, kBlack, argb(0x80, 0x40, 0x20)};
    }
    return d;
}

std::vector<uint32_t> expected_pixels(const testing::Dib& d) {
    if (d.bits_per_pixel > 8) return d.values;
    std::vector<uint32_t> out;
    for (uint32_t v : d.values) out.push_back(d.palette[v]);
    return out;
}

TEST(ImageDetection, KindByFirstBytes) {
    const struct {
        std::string start;
        ImageKind kind;
    } rows[] = {
        {std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF", ImageKind::jpeg},
        {"BM" + std::string(6, '\0'), ImageKind::bitmap},
        {"\x89PNG\r\n\x1A\n", ImageKind::png},
        {std::string("\0\0\1\0\1\0\0\0", 8), ImageKind::icon},
        {std::string("\0\0\2\0\3\0\0\0", 8), ImageKind::cursor},
        {std::string("\0\0\1\0\0\0\0\0", 8), ImageKind::none},  // no images
        {std::string("GIF87a\1\0", 8), ImageKind::gif},
        {std::string("GIF89a\1\0", 8), ImageKind::gif},
        {std::string("GIF90a\1\0", 8), ImageKind::none},
        {std::string("\x0A\x05\x01\x08\0\0\0\0", 8), ImageKind::pcx},
        {std::string("\x0A\x03\x01\x01\0\0\0\0", 8), ImageKind::pcx},
        {std::string("\x0A\x05\x01\x01\0\0\0\0", 8),
         ImageKind::none},  // monochrome needs version 3
        {std::string("\x0A\x06\x01\x08\0\0\0\0", 8), ImageKind::none},
        {std::string("\x0A\x05\x00\x08\0\0\0\0", 8), ImageKind::none},  // not run-length encoded
        {"GIF89a\1", ImageKind::none},                                  // fewer than 8 bytes
        {"<html><body>", ImageKind::none},
    };
    for (const auto& row : rows)
        EXPECT_EQ(detect_image_kind(bytes_of(row.start)), row.kind) << row.start;
}

TEST(BitmapReader, EveryDepthDecodesToItsPixels) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        testing::Dib d = sample_dib(bpp);
        std::vector<uint32_t> expected = expected_pixels(d);
        if (bpp == 16)  // five bits per channel
            for (uint32_t& p : expected)
                p = argb((p >> 19 & 31) * 255 / 31, (p >> 11 & 31) * 255 / 31,
                         (p >> 3 & 31) * 255 / 31);
        auto image = decode_image(testing::bmp_file(d));
        ASSERT_TRUE(image) << bpp;
        EXPECT_EQ(image->width, 3);
        EXPECT_EQ(image->height, 2);
        EXPECT_FALSE(image->has_alpha) << bpp;  // a 32-bit file's fourth byte is not alpha
        EXPECT_EQ(image->pixels, expected) << bpp;
    }
}

TEST(BitmapReader, TopDownRowsAndRunLengthData) {
    Bytes file = testing::bmp_file(sample_dib(24));
    file[22] = 0xFE;  // height -2: rows stored top first
    file[23] = file[24] = file[25] = 0xFF;
    auto flipped = decode_image(file);
    ASSERT_TRUE(flipped);
    EXPECT_EQ(flipped->at(0, 0), kWhite);
    EXPECT_EQ(flipped->at(0, 1), kRed);

    // 8-bit run-length: bottom row "1 1 2", end of line, top row literal "3 0 1", end.
    Bytes rle = testing::bmp_file(sample_dib(8));
    rle.resize(14 + 40 + 4 * 4);
    rle[30] = 1;  // compression
    rle.insert(rle.end(), {2, 1, 1, 2, 0, 0, 0, 3, 3, 0, 1, 0, 0, 1});
    auto image = decode_image(rle);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<uint32_t>{kWhite, kRed, kGreen, kGreen, kGreen, kBlue}));
}

TEST(BitmapReader, DamagedFilesAreNoPicture) {
    Bytes good = testing::bmp_file(sample_dib(24));
    Bytes cut(good.begin(), good.end() - 4);
    Bytes huge = good;
    huge[18] = huge[19] = huge[20] = 0x7F;  // width about 8 million, data for 3
    Bytes bad_offset = good;
    bad_offset[10] = 0xF0;
    bad_offset[11] = 0xFF;
    Bytes compressed_jpeg = good;
    compressed_jpeg[30] = 4;
    for (const Bytes& b : {cut, huge, bad_offset, compressed_jpeg}) EXPECT_FALSE(decode_image(b));
}

TEST(IconReader, ChoosesFirst32PixelEntryWithSixteenColours) {
    auto square = [](int32_t side, uint32_t colour) {
        testing::Dib d{side, side, 24, {}, std::vector<uint32_t>(size_t(side * side), colour), {}};
        return testing::dib_bytes(d, true);
    };
    auto chosen_colour = [](const std::vector<testing::IconEntry>& entries) {
        auto image = decode_image(testing::icon_file(1, entries));
        return image ? image->at(0, 0) : 0u;
    };
    EXPECT_EQ(chosen_colour({{16, 0, 24, square(16, kRed)},
                             {32, 2, 1, square(32, kGreen)},
                             {32, 16, 4, square(32, kBlue)},
                             {32, 0, 24, square(32, kWhite)}}),
              kBlue);
    EXPECT_EQ(chosen_colour({{32, 2, 1, square(32, kGreen)}, {32, 0, 32, square(32, kWhite)}}),
              kWhite);
    EXPECT_EQ(chosen_colour({{16, 0, 24, square(16, kRed)}, {48, 0, 24, square(48, kGreen)}}),
              kGreen);
}

TEST(IconReader, MaskAlphaAndEmbeddedPng) {
    testing::Dib d = sample_dib(8);
    d.mask = {false, true, false, false, false, true};
    auto masked = decode_image(testing::icon_file(2, {{3, 4, 8, testing::dib_bytes(d, true)}}));
    ASSERT_TRUE(masked);
    EXPECT_TRUE(masked->has_alpha);
    EXPECT_EQ(masked->at(0, 0), kRed);
    EXPECT_EQ(masked->at(1, 0), 0u);
    EXPECT_EQ(masked->at(2, 1), 0u);

    // A 32-bit entry with alpha of its own ignores its mask.
    testing::Dib alpha{2, 1, 32, {}, {argb(10, 20, 30, 0x80), kRed}, {true, true}};
    auto blended =
        decode_image(testing::icon_file(1, {{2, 0, 32, testing::dib_bytes(alpha, true)}}));
    ASSERT_TRUE(blended);
    EXPECT_EQ(blended->pixels, alpha.values);

    auto png =
        decode_image(testing::icon_file(1, {{2, 0, 32, testing::png_file(2, 1, alpha.values)}}));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->pixels, alpha.values);

    Bytes outside = testing::icon_file(1, {{3, 4, 8, testing::dib_bytes(d, true)}});
    outside[18] = 0xFF;  // entry offset past the end
    EXPECT_FALSE(decode_image(outside));
}

TEST(PngReader, KeepsHalfTransparentPixels) {
    std::vector<uint32_t> pixels = {argb(0xFF, 0, 0, 0x80), kGreen, argb(0, 0, 0xFF, 0), kWhite};
    auto image = decode_image(testing::png_file(2, 2, pixels));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->has_alpha);
    EXPECT_EQ(image->pixels, pixels);
    Bytes cut = testing::png_file(2, 2, pixels);
    cut.resize(cut.size() / 2);
    EXPECT_FALSE(decode_image(cut));
}

TEST(JpegReader, DecodesOpaqueColour) {
    std::vector<uint32_t> pixels(16 * 8, argb(200, 100, 50));
    auto image = decode_image(testing::jpeg_file(16, 8, pixels));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 16);
    EXPECT_EQ(image->height, 8);
    EXPECT_FALSE(image->has_alpha);
    uint32_t p = image->at(5, 5);
    EXPECT_NEAR(int(p >> 16 & 0xFF), 200, 3);
    EXPECT_NEAR(int(p >> 8 & 0xFF), 100, 3);
    EXPECT_NEAR(int(p & 0xFF), 50, 3);
    EXPECT_EQ(alpha_of(p), 0xFFu);
    EXPECT_FALSE(decode_image(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0}));
}

TEST(PcxReader, ColourAndMonochrome) {
    std::vector<uint8_t> values;
    for (int i = 0; i < 70 * 3; ++i)
        values.push_back(uint8_t(i < 100 ? 0xC5 : i % 7));  // runs and high bytes
    std::vector<uint32_t> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = argb(uint32_t(i), 255 - uint32_t(i), 7);
    auto image = decode_image(testing::pcx_file(70, 3, 8, values, palette));
    ASSERT_TRUE(image);
    for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(image->pixels[i], palette[values[i]]) << i;

    std::vector<uint8_t> bits = {1, 0, 0, 1, 1, 1, 0, 0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 0};
    auto mono = decode_image(testing::pcx_file(9, 2, 1, bits, {}));
    ASSERT_TRUE(mono);
    for (size_t i = 0; i < bits.size(); ++i)
        EXPECT_EQ(mono->pixels[i], bits[i] ? kWhite : kBlack) << i;

    Bytes no_palette = testing::pcx_file(70, 3, 8, values, palette);
    no_palette[no_palette.size() - 769] = 0;
    Bytes cut = testing::pcx_file(9, 2, 1, bits, {});
    cut.resize(cut.size() - 2);
    EXPECT_FALSE(decode_image(no_palette));
    EXPECT_FALSE(decode_image(cut));
}

// A pattern that repeats often enough for long codes and a full LZW table.
std::vector<uint8_t> busy_indices(int count) {
    std::vector<uint8_t> v;
    uint32_t seed = 12345;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245 + 12345;
        v.push_back(uint8_t((seed >> 16) % 5));
    }
    return v;
}

TEST(GifReader, FramesDecodeWithDelaysAndTransparency) {
    std::vector<uint32_t> palette = {kBlack, kRed, kGreen, kBlue, kWhite};
    testing::GifTestFrame full{0, 0, 200, 150, busy_indices(200 * 150), 0, 0, -1, false, {}};
    testing::GifTestFrame small{2, 1, 3, 2, {1, 2, 3, 3, 2, 1}, 7, 2, 2, false, {}};
    testing::GifTestFrame interlaced{0, 0, 1,  10,   {0, 1, 2, 3, 4, 0, 1, 2, 3, 4},
                                     1, 0, -1, true, {kWhite, kRed, kGreen, kBlue, kBlack}};
    auto gif = read_gif(testing::gif_file(200, 150, palette, {full, small, interlaced}));
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->frames.size(), 3u);
    for (size_t i = 0; i < full.indices.size(); ++i)
        ASSERT_EQ(gif->frames[0].pixels[i], palette[full.indices[i]]) << i;
    EXPECT_EQ(gif->frames[0].delay_ms(), 50);  // delay 0 shows for 50 ms
    const GifFrame& f = gif->frames[1];
    EXPECT_EQ(f.delay_ms(), 70);
    EXPECT_EQ(f.disposal, 2);
    EXPECT_EQ(f.pixels, (std::vector<uint32_t>{kRed, 0, kBlue, kBlue, 0, kRed}));
    std::vector<uint32_t> column;
    for (uint8_t i : interlaced.indices) column.push_back(interlaced.local_palette[i]);
    EXPECT_EQ(gif->frames[2].pixels, column);
}

TEST(GifReader, DamagedWalksKeepWhatWasWhole) {
    std::vector<uint32_t> palette = {kBlack, kRed};
    testing::GifTestFrame a{0, 0, 4, 4, std::vector<uint8_t>(16, 1), 0, 0, -1, false, {}};
    Bytes file = testing::gif_file(4, 4, palette, {a, a});
    const uint8_t control[] = {0x21, 0xF9, 4};
    auto second = std::search(file.begin() + 20, file.end(), control, control + 3);
    ASSERT_NE(second, file.end());
    Bytes unknown_block = file;
    unknown_block[size_t(second - file.begin())] = 0x77;
    auto first_only = read_gif(unknown_block);
    ASSERT_TRUE(first_only);
    EXPECT_EQ(first_only->frames.size(), 1u);

    auto cut_second = read_gif(Bytes(file.begin(), file.end() - 4));
    ASSERT_TRUE(cut_second);
    EXPECT_GE(cut_second->frames.size(), 1u);

    auto still = decode_image(file);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->at(3, 3), kRed);
    EXPECT_FALSE(still->has_alpha);

    EXPECT_FALSE(
        read_gif(Bytes(file.begin(), file.begin() + 20)));  // cut inside the first frame header
    Bytes huge_screen = file;
    huge_screen[6] = huge_screen[7] = huge_screen[8] = huge_screen[9] = 0xFF;  // 65535 × 65535
    EXPECT_FALSE(read_gif(huge_screen));
}

TEST(GifCanvas, DisposalPutsTheCoveredAreaBack) {
    auto frame = [](int32_t left, int32_t width, uint32_t colour, int disposal) {
        GifFrame f;
        f.left = left;
        f.width = width;
        f.height = 1;
        f.disposal = disposal;
        f.pixels.assign(size_t(width), colour);
        return f;
    };
    GifCanvas canvas(4, 1, kWhite);
    canvas.draw(frame(0, 4, kRed, 0));
    canvas.draw(frame(1, 2, kBlue, 2));
    EXPECT_EQ(canvas.image().pixels, (std::vector<uint32_t>{kRed, kBlue, kBlue, kRed}));
    GifFrame see_through = frame(2, 5, 0, 0);  // transparent and partly off the screen
    see_through.pixels[1] = kGreen;
    canvas.draw(see_through);
    EXPECT_EQ(canvas.image().pixels, (std::vector<uint32_t>{kRed, kRed, kRed, kGreen}));
}

// Every prefix of every kind of file decodes or is refused, never crashes
// (the fuzz targets go much further under AddressSanitizer).
TEST(ImageDecoders, EveryTruncationIsSafe) {
    std::vector<uint32_t> palette = {kBlack, kRed, kGreen};
    const Bytes files[] = {
        testing::bmp_file(sample_dib(4)),
        testing::icon_file(1, {{3, 16, 8, testing::dib_bytes(sample_dib(8), true)}}),
        testing::gif_file(8, 8, palette, {{0, 0, 8, 8, busy_indices(64), 0, 0, -1, true, {}}}),
        testing::pcx_file(9, 2, 1, std::vector<uint8_t>(18, 1), {}),
        testing::png_file(2, 1, {kRed, kGreen}),
        testing::jpeg_file(8, 8, std::vector<uint32_t>(64, kRed)),
    };
    for (const Bytes& file : files) {
        ASSERT_TRUE(decode_image(file));
        for (size_t n = 0; n < file.size(); ++n) decode_image(std::span(file.data(), n));
    }
}

}  // namespace
}  // namespace qinghe::image
