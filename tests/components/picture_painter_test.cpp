#include "components/picture_painter.h"

#include <gtest/gtest.h>

namespace qinghe {
namespace {

TEST(PicturePlacement, FittedPicturesAreCentredAndShrunkWhole) {
    struct Row {
        QSize picture;
        QRect area;
        QRect expected;
    };
    const Row rows[] = {
        {{10, 10}, {0, 0, 100, 50}, {45, 20, 10, 10}},
        {{200, 100}, {0, 0, 100, 100}, {0, 25, 100, 50}},
        {{100, 300}, {0, 0, 100, 100}, {33, 0, 33, 100}},  // 33.33 truncated
        {{30, 90}, {0, 0, 100, 10}, {48, 0, 3, 10}},       // larger in height only
        {{100, 50}, {0, 0, 100, 50}, {0, 0, 100, 50}},     // exactly fits
        {{400, 177}, {7, 9, 400, 177}, {7, 9, 400, 177}},  // offset area
        {{11, 11}, {0, 0, 20, 20}, {4, 4, 11, 11}},        // odd remainder rounds down
        {{0, 10}, {0, 0, 20, 20}, {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fitted_placement(row.picture, row.area), row.expected)
            << row.picture.width() << "x" << row.picture.height();
    }
    EXPECT_EQ(natural_placement({200, 100}, {3, 4, 50, 50}), QRect(3, 4, 200, 100));
}

TEST(PictureCompositing, AlphaBlendsOverTheBackground) {
    struct Row {
        uint32_t pixel;
        QRgb background;
        uint32_t expected;
    };
    const Row rows[] = {
        {image::argb(10, 20, 30, 255), qRgb(200, 200, 200), image::argb(10, 20, 30)},
        {image::argb(10, 20, 30, 0), qRgb(1, 2, 3), image::argb(1, 2, 3)},
        {image::argb(255, 255, 255, 128), qRgb(0, 0, 0), image::argb(128, 128, 128)},
        {image::argb(255, 0, 0, 128), qRgb(0, 0, 255), image::argb(128, 0, 127)},
    };
    for (const Row& row : rows) EXPECT_EQ(blend_over(row.pixel, row.background), row.expected);
}

TEST(PictureCompositing, ImageKeepsOpaquePixelsAndBlendsTheRest) {
    image::DecodedImage picture(2, 1);
    picture.at(0, 0) = image::argb(0, 255, 0, 255);
    picture.at(1, 0) = image::argb(0, 0, 0, 64);
    picture.find_alpha();
    QImage shown = composited_image(picture, QColor(240, 240, 240));
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(shown.pixel(1, 0), qRgb(180, 180, 180));
}

}  // namespace
}  // namespace qinghe
