#include "components/picture_box.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "support/test_images.h"

namespace qinghe {
namespace {

namespace P = PictureBoxProperty;
using image::argb;
using image::testing::Bytes;

constexpr uint32_t kBlueBgr = 0xFF0000;
const QRgb kBlue = qRgb(0, 0, 255);
constexpr uint32_t kRed = argb(255, 0, 0), kGreen = argb(0, 255, 0);

Bytes solid_png(int32_t w, int32_t h, uint32_t colour) {
    return image::testing::png_file(w, h, std::vector<uint32_t>(size_t(w) * size_t(h), colour));
}

Bytes two_frame_gif(int side) {
    const std::vector<uint8_t> red(size_t(side * side), 1), green(size_t(side * side), 2);
    image::testing::GifTestFrame first{0,     0, uint16_t(side), uint16_t(side), red, 1, 0, -1,
                                       false, {}};
    image::testing::GifTestFrame second = first;
    second.indices = green;
    return image::testing::gif_file(uint16_t(side), uint16_t(side), {argb(0, 0, 0), kRed, kGreen},
                                    {first, second});
}

std::string text_of(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::unique_ptr<PictureBox> make_box(QSize size, const std::function<void(PropertyStore&)>& edit) {
    PropertyStore store(PictureBox::table());
    store.set_word(P::kBackground, kBlueBgr);
    if (edit) edit(store);
    const std::string blob = store.write_blob();
    CreateRequest request;
    request.block = reinterpret_cast<const uint8_t*>(blob.data());
    request.length = int32_t(blob.size());
    request.width = size.width();
    request.height = size.height();
    auto create = reinterpret_cast<CreateEntry>(picture_box_interface(InterfaceCode::kCreate));
    return std::unique_ptr<PictureBox>(static_cast<PictureBox*>(create(request)));
}

void change(PictureBox& box, int32_t number, uint32_t word, const std::string& bytes = {}) {
    table_property_changed(&box, number, {word, 0, bytes.data(), int32_t(bytes.size())});
}

QImage render(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// The bounding rectangle of the pixels that are not the background.
QRect picture_area(const QImage& image, QRgb background) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) area |= QRect(x, y, 1, 1);
    return area;
}

TEST(PictureBox, DisplayModesPlaceThePicture) {
    struct Row {
        QSize picture;
        QSize box;
        int32_t mode;
        QRect expected;
    };
    const Row rows[] = {
        {{10, 10}, {100, 50}, PictureMode::kFitted, {45, 20, 10, 10}},
        {{200, 100}, {100, 100}, PictureMode::kFitted, {0, 25, 100, 50}},
        {{10, 10}, {100, 50}, PictureMode::kNatural, {0, 0, 10, 10}},
        {{200, 100}, {100, 100}, PictureMode::kNatural, {0, 0, 100, 100}},
        {{10, 10}, {100, 50}, PictureMode::kStretched, {0, 0, 100, 50}},
        {{10, 10}, {100, 50}, 9, {45, 20, 10, 10}},  // clamped to fitted
    };
    for (const Row& row : rows) {
        auto box = make_box(row.box, [&](PropertyStore& p) {
            p.set_bytes(P::kPicture,
                        text_of(solid_png(row.picture.width(), row.picture.height(), kRed)));
            p.set_word(P::kDisplayMode, row.mode);
        });
        EXPECT_EQ(picture_area(render(*box), kBlue), row.expected) << "mode " << row.mode;
    }
}

TEST(PictureBox, HalfTransparentPixelsBlendWithTheBackground) {
    auto box = make_box({20, 20}, [](PropertyStore& p) {
        p.set_bytes(P::kPicture, text_of(solid_png(4, 4, argb(255, 0, 0, 128))));
    });
    const QImage shown = render(*box);
    EXPECT_EQ(shown.pixel(1, 1), qRgb(128, 0, 127));
    EXPECT_EQ(shown.pixel(10, 10), kBlue);
    change(*box, P::kBackground, 0x00FF00);  // green background: the blend follows
    EXPECT_EQ(render(*box).pixel(1, 1), qRgb(128, 127, 0));
}

TEST(PictureBox, UndecodableBytesAndNewerBlobs) {
    auto box = make_box({20, 20}, [](PropertyStore& p) {
        Bytes broken = solid_png(4, 4, kRed);
        broken.resize(30);
        p.set_bytes(P::kPicture, text_of(broken));
    });
    EXPECT_FALSE(box->has_picture());
    EXPECT_TRUE(picture_area(render(*box), kBlue).isEmpty());

    std::string newer = table_serialise(box.get());
    ASSERT_GE(newer.size(), 4u);
    EXPECT_EQ(newer[0], 2);
    newer[0] = 3;
    CreateRequest request;
    request.block = reinterpret_cast<const uint8_t*>(newer.data());
    request.length = int32_t(newer.size());
    auto create = reinterpret_cast<CreateEntry>(picture_box_interface(InterfaceCode::kCreate));
    EXPECT_EQ(create(request), nullptr);
}

// The colours the centre pixel shows while the box plays, until it showed
// both frames or a few seconds passed.
std::set<QRgb> colours_shown(PictureBox& box) {
    std::set<QRgb> seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!(seen.count(qRgb(255, 0, 0)) && seen.count(qRgb(0, 255, 0))) &&
           std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        seen.insert(render(box).pixel(box.width() / 2, box.height() / 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return seen;
}

TEST(PictureBox, AnimatedGifPlaysAndAReplacementStopsIt) {
    auto box = make_box(
        {16, 16}, [](PropertyStore& p) { p.set_bytes(P::kPicture, text_of(two_frame_gif(16))); });
    EXPECT_FALSE(box->animating());  // playback starts with the first paint
    const std::set<QRgb> seen = colours_shown(*box);
    EXPECT_TRUE(seen.count(qRgb(255, 0, 0)) && seen.count(qRgb(0, 255, 0)));
    EXPECT_TRUE(box->animating());

    change(*box, P::kPicture, 0, text_of(solid_png(16, 16, argb(0, 0, 0))));
    EXPECT_FALSE(box->animating());
    QCoreApplication::processEvents();
    EXPECT_EQ(render(*box).pixel(8, 8), qRgb(0, 0, 0));
}

TEST(PictureBox, PlayAnimationsTakesEffectOnlyWhileAGifIsShown) {
    const std::string gif = text_of(two_frame_gif(8));
    auto box = make_box(
        {8, 8}, [](PropertyStore& p) { p.set_bytes(P::kPicture, text_of(solid_png(8, 8, kRed))); });
    change(*box, P::kPlayAnimations, 0);  // a still is shown: only stored
    change(*box, P::kPicture, 0, gif);
    render(*box);
    EXPECT_TRUE(box->animating());

    change(*box, P::kPlayAnimations, 1);
    change(*box, P::kPlayAnimations, 0);  // a GIF is shown: reloaded as its first frame
    EXPECT_FALSE(box->animating());
    EXPECT_EQ(render(*box).pixel(4, 4), qRgb(255, 0, 0));
    EXPECT_FALSE(box->animating());
}

}  // namespace
}  // namespace qinghe
