#include "components/hyperlink_box.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QCoreApplication>
#include <functional>
#include <memory>

#include "platform/text_encoding.h"
#include "runtime/font_record.h"
#include "support/capturing_web_opener.h"

namespace qinghe {
namespace {

namespace H = HyperlinkProperty;

constexpr uint32_t kWhite = 0xFFFFFF, kNotOpened = 0xFF0000, kOpened = 0x000080, kHover = 0x00C000;

QRgb rgb_of(uint32_t bgr) { return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

std::unique_ptr<HyperlinkBox> make_box(const std::function<void(PropertyStore&)>& edit) {
    PropertyStore store(HyperlinkBox::table());
    store.set_word(H::kBackground, kWhite);
    store.set_word(H::kColourHover, kHover);
    store.set_bytes(H::kFont, encode_font_record(FontRecord::of("DejaVu Sans", 24, 700)));
    if (edit) edit(store);
    const std::string blob = store.write_blob();
    CreateRequest request;
    request.block = reinterpret_cast<const uint8_t*>(blob.data());
    request.length = int32_t(blob.size());
    request.width = 200;
    request.height = 40;
    auto create = reinterpret_cast<CreateEntry>(hyperlink_box_interface(InterfaceCode::kCreate));
    return std::unique_ptr<HyperlinkBox>(static_cast<HyperlinkBox*>(create(request)));
}

void change(HyperlinkBox& box, int32_t number, const std::string& text) {
    table_property_changed(&box, number, {0, 0, text.data(), int32_t(text.size())});
}

QImage render(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

int pixels_of(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
    return n;
}

void send_mouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
    QMouseEvent event(type, QPointF(at), w.mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

TEST(HyperlinkBox, PressOpensTheTargetOfItsKind) {
    struct Row {
        int32_t kind;
        const char* email;
        const char* web;
        const char* opened;  // null: nothing reaches the opener
        bool visited;
    };
    const Row rows[] = {
        {LinkKind::kEmail, "someone@example.org", "http://ignored/", "mailto:someone@example.org",
         true},
        {LinkKind::kWeb, "ignored@example.org", "https://example.org/a", "https://example.org/a",
         true},
        {LinkKind::kEmail, "", "http://ignored/", nullptr, false},
        {LinkKind::kWeb, "a@b.c", "", nullptr, false},
        {LinkKind::kWeb, "", "javascript:alert(1)", nullptr, false},
        {LinkKind::kWeb, "", "file:///etc/passwd", nullptr, false},
    };
    for (const Row& row : rows) {
        testing::CapturingWebOpener capture;
        auto box = make_box([&](PropertyStore& p) {
            p.set_word(H::kLinkKind, row.kind);
            p.set_bytes(H::kEmailAddress, row.email);
            p.set_bytes(H::kWebAddress, row.web);
        });
        send_mouse(*box, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
        std::vector<std::string> expected;
        if (row.opened) expected.push_back(row.opened);
        EXPECT_EQ(capture.targets, expected) << row.email << row.web;
        EXPECT_EQ(box->visited(), row.visited) << row.email << row.web;
    }
}

TEST(HyperlinkBox, LinkKindIsClampedAndTheRightButtonOpensNothing) {
    testing::CapturingWebOpener capture;
    auto box = make_box([](PropertyStore& p) {
        p.set_word(H::kLinkKind, 7);
        p.set_bytes(H::kWebAddress, "http://h/");
    });
    EXPECT_EQ(box->properties().word(H::kLinkKind), LinkKind::kWeb);
    send_mouse(*box, QEvent::MouseButtonPress, {10, 10}, Qt::RightButton);
    EXPECT_TRUE(capture.targets.empty());
}

TEST(HyperlinkBox, ColourFollowsHoverThenVisitedThenNotOpened) {
    testing::CapturingWebOpener capture;
    auto box = make_box([](PropertyStore& p) {
        p.set_word(H::kLinkKind, LinkKind::kWeb);
        p.set_bytes(H::kCaption, "LINK");
        p.set_bytes(H::kWebAddress, "http://h/");
    });
    EXPECT_GT(pixels_of(render(*box), rgb_of(kNotOpened)), 20);

    send_mouse(*box, QEvent::MouseMove, {50, 20});
    EXPECT_TRUE(box->hovering());
    EXPECT_EQ(QWidget::mouseGrabber(), box.get());
    QImage hovered = render(*box);
    EXPECT_GT(pixels_of(hovered, rgb_of(kHover)), 20);
    EXPECT_EQ(pixels_of(hovered, rgb_of(kNotOpened)), 0);

    send_mouse(*box, QEvent::MouseButtonPress, {50, 20}, Qt::LeftButton);
    send_mouse(*box, QEvent::MouseMove, {250, 20});  // outside: the capture still delivers it
    EXPECT_FALSE(box->hovering());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_GT(pixels_of(render(*box), rgb_of(kOpened)), 20);

    capture.set_verdict(false);  // a failed opening clears the visited flag
    send_mouse(*box, QEvent::MouseButtonPress, {50, 20}, Qt::LeftButton);
    send_mouse(*box, QEvent::MouseMove, {-5, 20});
    EXPECT_GT(pixels_of(render(*box), rgb_of(kNotOpened)), 20);
}

TEST(HyperlinkBox, EmptyCaptionShowsTheAddressAndFollowsItsChanges) {
    auto box = make_box([](PropertyStore& p) { p.set_bytes(H::kEmailAddress, "a@b.c"); });
    EXPECT_EQ(box->shown_text(), "a@b.c");
    const QImage before = render(*box);
    change(*box, H::kEmailAddress, "longer.name@example.org");
    EXPECT_EQ(box->shown_text(), "longer.name@example.org");
    EXPECT_NE(render(*box), before);

    change(*box, H::kCaption, platform::gbk_from_utf8("联系我们"));
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("联系我们"));
    EXPECT_EQ(box->shown_text(), platform::gbk_from_utf8("联系我们"));
}

TEST(HyperlinkBox, BlobOfANewerVersionFailsCreationAndOursRoundTrips) {
    auto box = make_box([](PropertyStore& p) {
        p.set_bytes(H::kCaption, "c");
        p.set_bytes(H::kWebAddress, "http://h/");
        p.set_word(H::kBorder, 9);
    });
    EXPECT_EQ(box->properties().word(H::kBorder), 5);
    const std::string blob = table_serialise(box.get());
    ASSERT_GE(blob.size(), 4u);
    EXPECT_EQ(blob[0], 1);

    std::string newer = blob;
    newer[0] = 2;
    CreateRequest request;
    request.block = reinterpret_cast<const uint8_t*>(newer.data());
    request.length = int32_t(newer.size());
    auto create = reinterpret_cast<CreateEntry>(hyperlink_box_interface(InterfaceCode::kCreate));
    EXPECT_EQ(create(request), nullptr);
}

}  // namespace
}  // namespace qinghe
