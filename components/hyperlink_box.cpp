#include "components/hyperlink_box.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include "components/border_style.h"
#include "components/colours.h"
#include "components/fonts.h"
#include "components/qt_text.h"
#include "platform/text_encoding.h"
#include "platform/web_opener.h"
#include "runtime/property_block.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

namespace K = PropertyKind;
namespace H = HyperlinkProperty;

constexpr int32_t kBlue = 0xFF0000;
constexpr int32_t kDarkRed = 0x000080;

// The system highlight colour as a 0x00BBGGRR word (a common highlight
// blue when no application exists yet).
int32_t highlight_colour() {
    if (!qGuiApp) return 0xD77800;
    const QColor c = QGuiApplication::palette().color(QPalette::Highlight);
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

PropertyDecl word(int32_t number, uint32_t kind, int32_t value, int32_t min = INT_MIN,
                  int32_t max = INT_MAX, OnChange change = OnChange::kRepaint) {
    return {number, kind, value, "", min, max, change};
}

PropertyDecl bytes(int32_t number, uint32_t kind, OnChange change = OnChange::kRepaint) {
    return {number, kind, 0, "", INT_MIN, INT_MAX, change};
}

}  // namespace

const PropertyTable& HyperlinkBox::table() {
    static const PropertyTable table(
        UnitType::kHyperlinkBox,
        {
            bytes(H::kCaption, K::kText, OnChange::kReapply),
            word(H::kLinkKind, K::kChoice, LinkKind::kEmail, 0, 1),
            bytes(H::kEmailAddress, K::kText, OnChange::kReapply),
            bytes(H::kWebAddress, K::kText, OnChange::kReapply),
            word(H::kColourNotOpened, K::kColour, kBlue),
            word(H::kColourOpened, K::kColour, kDarkRed),
            word(H::kColourHover, K::kColour, highlight_colour()),
            word(H::kBackground, K::kBackgroundColour, int32_t(kSystemBackground)),
            word(H::kBorder, K::kChoice, 0, 0, 5),
            bytes(H::kFont, K::kFont),
        });
    return table;
}

HyperlinkBox::HyperlinkBox(QWidget* parent) : QWidget(parent), TableComponent(table()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

HyperlinkBox::~HyperlinkBox() { notify_destroyed(window_id(), unit_id(), this); }

void HyperlinkBox::apply_property(int32_t number, OnChange change) {
    if (change == OnChange::kStore) return;
    if (number == H::kCaption) {
        setWindowTitle(qt_text(properties().bytes(H::kCaption)));
    } else if ((number == H::kEmailAddress || number == H::kWebAddress) &&
               !properties().bytes(H::kCaption).empty()) {
        return;  // the caption is shown, not the address
    }
    update();
}

std::string HyperlinkBox::shown_text() const {
    const std::string& caption = properties().bytes(H::kCaption);
    if (!caption.empty()) return caption;
    return properties().word(H::kLinkKind) == LinkKind::kWeb ? properties().bytes(H::kWebAddress)
                                                             : properties().bytes(H::kEmailAddress);
}

std::string HyperlinkBox::target() const {
    if (properties().word(H::kLinkKind) == LinkKind::kWeb)
        return properties().bytes(H::kWebAddress);
    const std::string& address = properties().bytes(H::kEmailAddress);
    return address.empty() ? std::string() : "mailto:" + address;
}

void HyperlinkBox::open_link() {
    const std::string link = target();
    const bool opened = !link.empty() && platform::open_web_target(platform::utf8_from_gbk(link));
    if (opened != visited_) {
        visited_ = opened;
        update();
    }
}

QColor HyperlinkBox::text_colour() const {
    int32_t number = hovering_  ? H::kColourHover
                     : visited_ ? H::kColourOpened
                                : H::kColourNotOpened;
    return colour_of(uint32_t(properties().word(number)));
}

QRect HyperlinkBox::client_rect() const {
    const int32_t w = border_width(properties().word(H::kBorder));
    return rect().adjusted(w, w, -w, -w);
}

void HyperlinkBox::set_hovering(bool hovering) {
    if (hovering == hovering_) return;
    hovering_ = hovering;
    if (hovering) grabMouse();
    else releaseMouse();
    update();
}

void HyperlinkBox::mouseMoveEvent(QMouseEvent* event) {
    set_hovering(client_rect().contains(event->position().toPoint()));
}

void HyperlinkBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        open_link();
}

void HyperlinkBox::paintEvent(QPaintEvent* event) {
    if (event->region().isEmpty()) return;
    const PropertyStore& p = properties();
    QPainter painter(this);
    const QRect client = paint_border(painter, rect(), p.word(H::kBorder), palette());
    painter.fillRect(client, background_colour_of(uint32_t(p.word(H::kBackground))));
    painter.setFont(font_from_record_bytes(p.bytes(H::kFont)));
    painter.setPen(text_colour());
    painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     qt_text(shown_text()));
}

namespace {

QWidget* create_hyperlink_box(const CreateRequest& request) {
    auto box = std::make_unique<HyperlinkBox>(request.parent);
    if (!prepare_component(box.get(), request)) return nullptr;
    box->apply_property(HyperlinkProperty::kCaption, OnChange::kReapply);
    return box.release();
}

}  // namespace

void* hyperlink_box_interface(int32_t code) {
    return type_interface(code, {.create = &create_hyperlink_box});
}

}  // namespace qinghe
