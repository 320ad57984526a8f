// The form window's background picture by layout and its window shapes.
#include <QApplication>

#include "form_fixture.h"
#include "support/test_images.h"

namespace qinghe::testing {
namespace {

constexpr uint32_t kBlue = 0xFF0000FF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00;

std::string picture_bytes(int32_t w, int32_t h, std::vector<uint32_t> pixels) {
    auto png = image::testing::png_file(w, h, pixels);
    return std::string(png.begin(), png.end());
}

class FormWindowLookTest : public FormEngineTest {
protected:
    FormWindowWidget* load(const std::string& picture, int32_t layout) {
        install({window(1, {}, window_blob([&](PropertyStore& p) {
                            p.set_word(FormProperty::kBackground, 0xFF0000);  // blue, as 0x00BBGGRR
                            p.set_bytes(FormProperty::kPicture, picture);
                            p.set_word(FormProperty::kPictureLayout, layout);
                        }))});
        EXPECT_EQ(load_window(window_id(1), nullptr, false), 0);
        return static_cast<FormWindowWidget*>(find_object(window_id(1), 0));
    }
    static void change(FormWindowWidget* w, int32_t number, uint32_t word,
                       const std::string& bytes = {}) {
        table_property_changed(w, number, {word, 0, bytes.data(), int32_t(bytes.size())});
    }
    static QRgb pixel(QWidget* w, int x, int y) {
        return w->grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(x, y);
    }
};

TEST_F(FormWindowLookTest, PictureIsDrawnByLayoutOverTheBackground) {
    // 2 x 2: red, green / green, red.
    const std::string picture = picture_bytes(2, 2, {kRed, kGreen, kGreen, kRed});
    struct Row {
        int32_t layout;
        QPoint at;
        QRgb expected;
    } rows[] = {
        {0, {0, 0}, kRed},     {0, {1, 0}, kGreen},   {0, {5, 5}, kBlue},   {1, {5, 5}, kRed},
        {1, {4, 5}, kGreen},   {1, {319, 199}, kRed}, {2, {5, 5}, kRed},    {2, {300, 5}, kGreen},
        {2, {300, 190}, kRed}, {3, {0, 0}, kBlue},    {3, {159, 99}, kRed}, {3, {160, 99}, kGreen},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.layout);
        FormWindowWidget* w = load(picture, row.layout);
        ASSERT_TRUE(w);
        EXPECT_EQ(pixel(w, row.at.x(), row.at.y()), row.expected)
            << row.at.x() << "," << row.at.y();
        reset_form_engine();
    }
}

TEST_F(FormWindowLookTest, PictureChangesAreRedrawnAndUndecodableOnesPaintAsNone) {
    FormWindowWidget* w = load("not a picture at all", 1);
    ASSERT_TRUE(w);
    EXPECT_EQ(pixel(w, 5, 5), kBlue);
    change(w, FormProperty::kPicture, 0, picture_bytes(1, 1, {kGreen}));
    EXPECT_EQ(pixel(w, 5, 5), kGreen);
    // Half-transparent pixels are blended over the current background colour.
    change(w, FormProperty::kPicture, 0, picture_bytes(1, 1, {0x80FF0000}));
    change(w, FormProperty::kBackground, 0x000000);
    EXPECT_EQ(pixel(w, 5, 5), qRgb(0x80, 0, 0));
    change(w, FormProperty::kPicture, 0, {});
    EXPECT_EQ(pixel(w, 5, 5), qRgb(0, 0, 0));
}

TEST_F(FormWindowLookTest, ShapeMasksTheWindowAndFollowsResizeAndChange) {
    FormWindowWidget* w = load({}, 1);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->mask().isEmpty());  // rectangle: no mask
    change(w, FormProperty::kShape, 1);
    EXPECT_FALSE(w->mask().contains(QPoint(1, 1)));
    EXPECT_TRUE(w->mask().contains(QPoint(160, 100)));
    EXPECT_TRUE(w->mask().contains(QPoint(160, 2)));
    change(w, FormProperty::kBorderStyle, 1);  // sizable
    w->resize(400, 300);
    EXPECT_TRUE(w->mask().contains(QPoint(200, 297)));
    change(w, FormProperty::kShape, 2);
    EXPECT_FALSE(w->mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(w->mask().contains(QPoint(5, 5)));
    EXPECT_TRUE(w->mask().contains(QPoint(40, 1)));
    change(w, FormProperty::kShape, 0);
    EXPECT_TRUE(w->mask().isEmpty());
}

}  // namespace
}  // namespace qinghe::testing
