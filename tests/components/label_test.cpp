// The label on rendered images, and property access through the form
// engine on a loaded label.
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPalette>

#include "components/gradient_painter.h"
#include "form_fixture.h"
#include "runtime/font_record.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"

namespace qinghe::testing {
namespace {

namespace L = LabelProperty;
constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;

class LabelTest : public FormEngineTest {
protected:
    Label* load_label(const std::function<void(PropertyStore&)>& edit, QSize size = {120, 40}) {
        install({window(1, {unit(component_id(2), UnitType::kLabel, QRect(QPoint(5, 5), size),
                                 label_blob(edit))})});
        EXPECT_EQ(load_window(window_id(1), nullptr, false), 0);
        return dynamic_cast<Label*>(find_object(window_id(1), component_id(2)));
    }
    static QImage render(QWidget* w) {
        return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static uint32_t bgr(QRgb c) {
        return uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16;
    }
    TaggedArg read(int32_t number) {
        return get_property(window_id(1), component_id(2), number, -1);
    }
    void write(int32_t number, uint32_t value) {
        set_property(window_id(1), component_id(2), number, -1, value, 0);
    }
};

// Horizontal extent of the pixels that differ from the background.
std::pair<int, int> ink_columns(const QImage& image, QRgb background) {
    int first = image.width(), last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

TEST_F(LabelTest, HorizontalAlignmentPlacesTheCaption) {
    const QRgb white = qRgb(255, 255, 255);
    for (int32_t alignment : {0, 1, 2}) {
        Label* label = load_label([&](PropertyStore& p) {
            p.set_word(L::kBackground, int32_t(kWhite));
            p.set_bytes(L::kCaption, "MM");
            p.set_word(L::kAlignment, alignment);
        });
        auto [first, last] = ink_columns(render(label), white);
        ASSERT_LT(first, last) << alignment;
        const int middle = (first + last) / 2;
        if (alignment == 0) {
            EXPECT_LT(first, 6);
        } else if (alignment == 1) {
            EXPECT_NEAR(middle, 60, 3);
        } else {
            EXPECT_GT(last, 113);
        }
        reset_form_engine();
    }
}

TEST_F(LabelTest, BorderFiveIsASingleBlackLineAndThreeAThinEdge) {
    Label* label = load_label([](PropertyStore& p) {
        p.set_word(L::kBorder, 5);
        p.set_word(L::kBackground, int32_t(kWhite));
        p.set_bytes(L::kCaption, "");
    });
    QImage image = render(label);
    for (QPoint at : {QPoint(0, 0), QPoint(119, 20), QPoint(60, 39), QPoint(0, 39)})
        EXPECT_EQ(image.pixel(at), qRgb(0, 0, 0)) << at.x() << "," << at.y();
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
    write(8 + L::kBorder, 3);
    image = render(label);
    EXPECT_NE(image.pixel(0, 20), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(0, 20),
              image.pixel(119, 20));  // shaded: dark top-left, light bottom-right
    EXPECT_EQ(image.pixel(1, 20), qRgb(255, 255, 255));
}

TEST_F(LabelTest, GradientBackgroundFollowsTheStops) {
    struct Row {
        int32_t mode;
        std::vector<uint32_t> stops;
    };
    const Row rows[] = {{2, {kRed, kBlue}}, {1, {kRed, kGreen, kBlue}}, {6, {kRed, kWhite}}};
    for (const Row& row : rows) {
        Label* label = load_label(
            [&](PropertyStore& p) {
                p.set_bytes(L::kCaption, "");
                p.set_word(L::kGradientMode, row.mode);
                for (int i = 0; i < 3; ++i)
                    p.set_word(
                        L::kGradientStop1 + i,
                        int32_t(i < int(row.stops.size()) ? row.stops[size_t(i)] : kNoColour));
            },
            {100, 60});
        QImage image = render(label);
        const bool vertical = row.mode == 1;
        const int extent = vertical ? 60 : 100;
        for (int p = 0; p < extent; p += 7) {
            QPoint at = vertical ? QPoint(50, p) : QPoint(row.mode == 6 ? 99 - p : p, 30);
            EXPECT_EQ(bgr(image.pixel(at)), gradient_colour(row.stops, p, extent))
                << "mode " << row.mode << " at " << p;
        }
        EXPECT_EQ(bgr(image.pixel(vertical ? QPoint(50, 0) : QPoint(row.mode == 6 ? 99 : 0, 30))),
                  row.stops.front());
        reset_form_engine();
    }
}

TEST_F(LabelTest, GradientFrameNeedsBorderSixAndTwoStops) {
    auto frame = [](int32_t border, uint32_t second) {
        return [=](PropertyStore& p) {
            p.set_bytes(L::kCaption, "");
            p.set_word(L::kBackground, int32_t(kWhite));
            p.set_word(L::kBorder, border);
            p.set_word(L::kFrameWidth, 6);
            p.set_word(L::kFrameStop1, int32_t(kRed));
            p.set_word(L::kFrameStop1 + 1, int32_t(second));
            p.set_word(L::kFrameStop1 + 2, int32_t(kNoColour));
        };
    };
    QImage image = render(load_label(frame(6, kBlue)));
    EXPECT_EQ(bgr(image.pixel(60, 0)), kRed);     // top band starts with stop 1
    EXPECT_EQ(bgr(image.pixel(0, 20)), kRed);     // left band likewise
    EXPECT_EQ(bgr(image.pixel(60, 20)), kWhite);  // inside the frame
    reset_form_engine();
    image = render(load_label(frame(6, kNoColour)));
    EXPECT_EQ(bgr(image.pixel(60, 0)), kWhite);
    reset_form_engine();
    image = render(load_label(frame(0, kBlue)));
    EXPECT_EQ(bgr(image.pixel(60, 0)), kWhite);
}

TEST_F(LabelTest, SystemBackgroundIsTheButtonFaceColour) {
    Label* label = load_label([](PropertyStore& p) { p.set_bytes(L::kCaption, ""); });
    EXPECT_EQ(read(8 + L::kBackground).lo, 0xFF000000u);
    EXPECT_EQ(render(label).pixel(50, 20), QApplication::palette().color(QPalette::Button).rgb());
}

std::string png_of(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

TEST_F(LabelTest, PictureIsPlacedByModeAndAnUndecodableOneIsDropped) {
    const std::string red = png_of({10, 8}, Qt::red);
    auto with_picture = [&](int32_t mode, std::string bytes) {
        return [=](PropertyStore& p) {
            p.set_bytes(L::kCaption, "");
            p.set_word(L::kBackground, int32_t(kWhite));
            p.set_word(L::kGradientMode, 1);  // a picture wins over the gradient
            p.set_bytes(L::kPicture, bytes);
            p.set_word(L::kPictureMode, mode);
        };
    };
    QImage image = render(load_label(with_picture(0, red), {40, 20}));
    EXPECT_EQ(bgr(image.pixel(9, 7)), kRed);
    EXPECT_EQ(bgr(image.pixel(10, 8)), kWhite);
    reset_form_engine();
    image = render(load_label(with_picture(1, red), {40, 20}));
    EXPECT_EQ(bgr(image.pixel(35, 17)), kRed);  // tiled over everything
    reset_form_engine();
    image = render(load_label(with_picture(2, red), {40, 20}));
    EXPECT_EQ(bgr(image.pixel(20, 10)), kRed);  // centred at natural size
    EXPECT_EQ(bgr(image.pixel(2, 10)), kWhite);
    reset_form_engine();
    image = render(load_label(with_picture(0, "not a picture"), {40, 20}));
    EXPECT_EQ(byte_set_size(read(8 + L::kPicture).byte_set()), 0);
    EXPECT_EQ(bgr(image.pixel(0, 19)), gradient_colour({0x808080, 0xFFFFFF, 0x808080}, 19, 20));
}

TEST_F(LabelTest, OwnPropertiesAreClampedAsStored) {
    load_label({});
    struct Row {
        int32_t own;
        int32_t written;
        int32_t stored;
    };
    const Row rows[] = {
        {L::kFrameWidth, 0, 5},
        {L::kFrameWidth, 4, 5},
        {L::kFrameWidth, -9, 5},
        {L::kFrameWidth, 9, 9},
        {L::kVerticalAlignment, 7, 2},
        {L::kVerticalAlignment, -3, 0},
        {L::kEffect, 8, 3},
        {L::kBorder, 9, 6},
        {L::kGradientMode, 12, 8},
        {L::kAlignment, -1, 0},
        {L::kPictureMode, 5, 2},
    };
    for (const Row& r : rows) {
        write(8 + r.own, uint32_t(r.written));
        EXPECT_EQ(read(8 + r.own).as_int(), r.stored) << r.own << " <- " << r.written;
    }
    write(8 + L::kWordWrap, 5);
    EXPECT_EQ(read(8 + L::kWordWrap).type, TypeTag::kBool);
    EXPECT_EQ(read(8 + L::kWordWrap).lo, 1u);
}

TEST_F(LabelTest, CaptionAndFontTravelAsTextsAndRecords) {
    load_label({});
    TaggedArg caption = read(8);
    EXPECT_EQ(std::string(caption.text()), utf8_to_gbk("标签"));
    mem_free(caption.pointer());
    std::string progress = utf8_to_gbk("正在分析");
    set_property(window_id(1), component_id(2), 8, -1, TaggedArg::of_text(progress.c_str()));
    caption = read(8);
    EXPECT_EQ(std::string(caption.text()), progress);
    mem_free(caption.pointer());
    set_property(window_id(1), component_id(2), 8, -1, TaggedArg::of_text(nullptr));
    EXPECT_EQ(read(8).pointer(), nullptr);
    // A label without a font starts from the default GUI font.
    EXPECT_EQ(get_property(window_id(1), component_id(2), 8 + L::kFont, 5).as_int(), 9);
    set_property(window_id(1), component_id(2), 8 + L::kFont, 5, 12, 0);
    set_property(window_id(1), component_id(2), 8 + L::kFont, 1, 1, 0);
    std::string face = utf8_to_gbk("微软雅黑");
    set_property(window_id(1), component_id(2), 8 + L::kFont, 6, TaggedArg::of_text(face.c_str()));
    EXPECT_EQ(get_property(window_id(1), component_id(2), 8 + L::kFont, 5).as_int(), 12);
    EXPECT_EQ(get_property(window_id(1), component_id(2), 8 + L::kFont, 1).as_int(), 1);
    TaggedArg record = get_property(window_id(1), component_id(2), 8 + L::kFont, -1);
    ASSERT_EQ(byte_set_size(record.byte_set()), 60);
    EXPECT_EQ(decode_font_record(byte_set_view(record.byte_set()))->face, face);
    mem_free(record.pointer());
}

TEST_F(LabelTest, CommonPropertiesClampAndFallBackToTheResource) {
    install(
        {window(1, {unit(component_id(2), UnitType::kLabel, QRect(5, 6, 70, 20), label_blob())})});
    // Not loaded: the stored values answer.
    EXPECT_EQ(get_property(window_id(1), component_id(2), 2, -1).as_int(), 70);
    set_property(window_id(1), component_id(2), 0, -1, 40000, 0);
    EXPECT_EQ(get_property(window_id(1), component_id(2), 0, -1).as_int(), 32627);
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    QWidget* w = find_object(window_id(1), component_id(2));
    EXPECT_EQ(w->x(), 32627);
    set_property(window_id(1), component_id(2), 0, -1, uint32_t(-40000), 0);
    EXPECT_EQ(w->x(), -32627);
    set_property(window_id(1), component_id(2), 2, -1, uint32_t(-5), 0);
    EXPECT_EQ(get_property(window_id(1), component_id(2), 2, -1).as_int(), 0);
    set_property(window_id(1), component_id(2), 3, -1, 99999, 0);
    EXPECT_EQ(w->height(), 32627);
    EXPECT_EQ(w->x(), -32627);  // resizing keeps the position
    set_property(window_id(1), component_id(2), 6, -1, 1, 0);
    EXPECT_TRUE(get_property(window_id(1), component_id(2), 6, -1).as_bool());
    EXPECT_FALSE(w->isEnabled());
    // Mouse pointer data: the public code goes in and comes back out.
    uint32_t hand = 4;
    ByteSet* pointer = make_byte_set(&hand, 4);
    set_property(window_id(1), component_id(2), 7, -1, TaggedArg::of_byte_set(pointer));
    EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor);
    TaggedArg back = get_property(window_id(1), component_id(2), 7, -1);
    EXPECT_EQ(byte_set_view(back.byte_set()), byte_set_view(pointer));
    mem_free(pointer);
    mem_free(back.pointer());
}

}  // namespace
}  // namespace qinghe::testing
