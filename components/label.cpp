#include "components/label.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>

#include "components/border_style.h"
#include "components/colours.h"
#include "components/fonts.h"
#include "components/gradient_painter.h"
#include "components/image/image_decoder.h"
#include "components/picture_painter.h"
#include "components/qt_text.h"
#include "runtime/property_block.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

namespace K = PropertyKind;
namespace L = LabelProperty;

constexpr int32_t kGrey = 0x808080;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kSystem = int32_t(kSystemBackground);

PropertyDecl word(int32_t number, uint32_t kind, int32_t value, int32_t min = INT_MIN,
                  int32_t max = INT_MAX, OnChange change = OnChange::kRepaint) {
    return {number, kind, value, "", min, max, change};
}

PropertyDecl bytes(int32_t number, uint32_t kind, const char* value = "") {
    return {number, kind, 0, value, INT_MIN, INT_MAX, OnChange::kRepaint};
}

int32_t horizontal_flags(int32_t alignment) {
    if (alignment == 1) return Qt::AlignHCenter;
    if (alignment == 2) return Qt::AlignRight;
    return Qt::AlignLeft;
}

int32_t vertical_flags(int32_t alignment) {
    if (alignment == 0) return Qt::AlignTop;
    if (alignment == 2) return Qt::AlignBottom;
    return Qt::AlignVCenter;
}

}  // namespace

const PropertyTable& Label::table() {
    static const PropertyTable table(UnitType::kLabel,
                                     {
                                         word(L::kEffect, K::kChoice, 0, 0, 3),
                                         word(L::kFrameWidth, K::kInteger, 8, 5),
                                         word(L::kBorder, K::kChoice, 0, 0, 6, OnChange::kReapply),
                                         word(L::kFrameStop1, K::kColour, kGrey),
                                         word(L::kFrameStop1 + 1, K::kColour, kWhite),
                                         word(L::kFrameStop1 + 2, K::kColour, kGrey),
                                         word(L::kTextColour, K::kColour, 0),
                                         word(L::kBackground, K::kBackgroundColour, kSystem),
                                         word(L::kPictureMode, K::kChoice, 1, 0, 2),
                                         word(L::kGradientMode, K::kChoice, 0, 0, 8),
                                         word(L::kGradientStop1, K::kColour, kGrey),
                                         word(L::kGradientStop1 + 1, K::kColour, kWhite),
                                         word(L::kGradientStop1 + 2, K::kColour, kGrey),
                                         word(L::kAlignment, K::kChoice, 0, 0, 2),
                                         word(L::kVerticalAlignment, K::kChoice, 1, 0, 2),
                                         word(L::kWordWrap, K::kLogical, 0, 0, 1),
                                         bytes(L::kFont, K::kFont),
                                         bytes(L::kPicture, K::kPicture),
                                         bytes(L::kCaption, K::kText, "标签"),
                                         bytes(L::kDataSource, K::kText),
                                         bytes(L::kDataColumn, K::kText),
                                     });
    return table;
}

Label::Label(QWidget* parent) : QWidget(parent), TableComponent(table()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

Label::~Label() { notify_destroyed(window_id(), unit_id(), this); }

void Label::apply_property(int32_t number, OnChange change) {
    if (change == OnChange::kStore) return;
    if (number == L::kPicture || number == L::kBackground) picture_cache_.reset();
    if (number == L::kCaption) setWindowTitle(qt_text(properties().bytes(L::kCaption)));
    update();
}

QRect Label::paint_gradient_frame(QPainter& painter, QRect r) {
    const PropertyStore& p = properties();
    int32_t w = p.word(L::kFrameWidth);
    if (p.word(L::kBorder) != kGradientFrameBorder || w <= 0) return r;
    auto stops = used_stops({uint32_t(p.word(L::kFrameStop1)), uint32_t(p.word(L::kFrameStop1 + 1)),
                             uint32_t(p.word(L::kFrameStop1 + 2))});
    if (stops.size() < 2) return r;
    w = std::min({w, r.width() / 2, r.height() / 2});
    if (w <= 0) return r;
    const QRect all = r;
    paint_gradient(painter, QRect(r.left(), r.top(), r.width(), w), 1, stops, all);
    paint_gradient(painter, QRect(r.left(), r.bottom() - w + 1, r.width(), w), 1, stops, all);
    // The side bands are trapezoids so that the bands meet diagonally.
    const QPointF tl = r.topLeft(), tr = QPointF(r.right() + 1, r.top());
    const QPointF bl = QPointF(r.left(), r.bottom() + 1),
                  br = QPointF(r.right() + 1, r.bottom() + 1);
    QPainterPath left, right;
    left.addPolygon(QPolygonF({tl, tl + QPointF(w, w), bl + QPointF(w, -w), bl}));
    right.addPolygon(QPolygonF({tr, tr + QPointF(-w, w), br + QPointF(-w, -w), br}));
    painter.save();
    painter.setClipPath(left);
    paint_gradient(painter, QRect(r.left(), r.top(), w, r.height()), 2, stops, all);
    painter.setClipPath(right);
    paint_gradient(painter, QRect(r.right() - w + 1, r.top(), w, r.height()), 2, stops, all);
    painter.restore();
    return r.adjusted(w, w, -w, -w);
}

const QImage* Label::picture() {
    const std::string& bytes = properties().bytes(L::kPicture);
    if (bytes.empty()) return nullptr;
    if (!picture_cache_) {
        auto decoded = image::decode_image(
            std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        if (!decoded) {
            properties().set_bytes(L::kPicture, {});  // undecodable: dropped
            return nullptr;
        }
        picture_cache_ = composited_image(
            *decoded, background_colour_of(uint32_t(properties().word(L::kBackground))));
    }
    return &*picture_cache_;
}

QRegion Label::paint_picture(QPainter& painter, const QRect& r) {
    const QImage* image = picture();
    if (!image || image->isNull()) return {};  // an empty picture covers nothing
    switch (properties().word(L::kPictureMode)) {
    case 0: {
        QRect at = natural_placement(image->size(), r);
        painter.drawImage(at.topLeft(), *image);
        return QRegion(at);
    }
    case 1:
        for (int y = r.top(); y <= r.bottom(); y += image->height())
            for (int x = r.left(); x <= r.right(); x += image->width())
                painter.drawImage(QPoint(x, y), *image);
        return QRegion(r);
    default: {
        QRect at = fitted_placement(image->size(), r);
        painter.drawImage(at, *image);
        return QRegion(at);
    }
    }
}

namespace {

// Line height of wrapped text: the face's own line height, but no more than
// 4/3 of the pixel size. The substituted CJK faces carry a larger line gap
// than the faces the windows were designed with, and a tall text such as the
// About window's usage text would otherwise lose its last lines.
int wrapped_line_height(const QFont& font) {
    const int natural = QFontMetrics(font).height();
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : natural;
    return std::max(pixels, std::min(natural, (pixels * 4 + 2) / 3));
}

// Word-wrapped text from the top of `r`, each line aligned by `alignment`.
void draw_wrapped_text(QPainter& painter, const QRect& r, Qt::Alignment alignment,
                       const QString& text) {
    const int line_height = wrapped_line_height(painter.font());
    const int ascent_shift = (line_height - QFontMetrics(painter.font()).height()) / 2;
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    int y = r.top();
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(QString(paragraph).remove(QLatin1Char('\r')), painter.font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(r.width());
            line.setPosition(QPointF(0, y - r.top() + ascent_shift));
            y += line_height;
        }
        layout.endLayout();
        layout.draw(&painter, r.topLeft());
        if (y > r.bottom()) break;
    }
}

}  // namespace

void Label::paint_caption(QPainter& painter, const QRect& r) {
    const PropertyStore& p = properties();
    const std::string& caption = p.bytes(L::kCaption);
    if (caption.empty()) return;
    painter.setFont(font_from_record_bytes(p.bytes(L::kFont)));
    int32_t flags = horizontal_flags(p.word(L::kAlignment));
    if (p.word(L::kWordWrap))
        flags |= Qt::TextWordWrap | Qt::AlignTop;  // wrapped text always starts at the top
    else flags |= Qt::TextSingleLine | vertical_flags(p.word(L::kVerticalAlignment));
    const QString text = qt_text(caption);
    const QColor colour = colour_of(uint32_t(p.word(L::kTextColour)));
    const bool wrap = p.word(L::kWordWrap) != 0;
    auto draw = [&](const QRect& at, const QColor& c) {
        painter.setPen(c);
        if (wrap)
            draw_wrapped_text(painter, at, Qt::Alignment(flags & Qt::AlignHorizontal_Mask), text);
        else painter.drawText(at, flags, text);
    };
    switch (p.word(L::kEffect)) {
    case 1:
        draw(r.translated(1, 1), Qt::white);
        draw(r, colour);
        break;
    case 2:
        draw(r, Qt::white);
        draw(r.translated(1, 1), colour);
        break;
    case 3:
        draw(r.translated(2, 2), Qt::black);
        draw(r, colour);
        break;
    default: draw(r, colour); break;
    }
}

void Label::paintEvent(QPaintEvent* event) {
    if (event->region().isEmpty()) return;
    const PropertyStore& p = properties();
    QPainter painter(this);
    int32_t border = p.word(L::kBorder);
    QRect r = rect();
    if (border != kGradientFrameBorder) r = paint_border(painter, r, border, palette());
    r = paint_gradient_frame(painter, r);
    const QRegion clip = event->region().intersected(r);
    painter.setClipRegion(clip);
    QRegion to_fill = clip;
    if (picture()) {
        to_fill -= paint_picture(painter, r);
    } else if (p.word(L::kGradientMode) >= 1) {
        auto stops = used_stops({uint32_t(p.word(L::kGradientStop1)),
                                 uint32_t(p.word(L::kGradientStop1 + 1)),
                                 uint32_t(p.word(L::kGradientStop1 + 2))});
        if (paint_gradient(painter, r, p.word(L::kGradientMode), stops, clip.boundingRect()))
            to_fill = QRegion();
    }
    const QColor background = background_colour_of(uint32_t(p.word(L::kBackground)));
    for (const QRect& part : to_fill) painter.fillRect(part, background);
    paint_caption(painter, r);
}

namespace {

QWidget* create_label(const CreateRequest& request) {
    auto label = std::make_unique<Label>(request.parent);
    if (!prepare_component(label.get(), request)) return nullptr;
    label->apply_property(LabelProperty::kCaption, OnChange::kReapply);
    return label.release();
}

}  // namespace

void* label_interface(int32_t code) { return type_interface(code, {.create = &create_label}); }

}  // namespace qinghe
