#include "components/picture_box.h"

#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>

#include "components/border_style.h"
#include "components/colours.h"
#include "components/image/gif_reader.h"
#include "components/image/image_decoder.h"
#include "components/picture_painter.h"
#include "runtime/property_block.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

namespace K = PropertyKind;
namespace P = PictureBoxProperty;

PropertyDecl word(int32_t number, uint32_t kind, int32_t value, int32_t min = INT_MIN,
                  int32_t max = INT_MAX) {
    return {number, kind, value, "", min, max, OnChange::kRepaint};
}

PropertyDecl bytes(int32_t number, uint32_t kind, OnChange change) {
    return {number, kind, 0, "", INT_MIN, INT_MAX, change};
}

std::span<const uint8_t> as_span(const std::string& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

}  // namespace

const PropertyTable& PictureBox::table() {
    static const PropertyTable table(
        UnitType::kPictureBox,
        {
            word(P::kBorder, K::kChoice, 0, 0, 5),
            word(P::kBackground, K::kBackgroundColour, int32_t(kSystemBackground)),
            bytes(P::kPicture, K::kPicture, OnChange::kReapply),
            word(P::kDisplayMode, K::kChoice, PictureMode::kNatural, 0, 2),
            word(P::kPlayAnimations, K::kLogical, 1, 0, 1),
            bytes(P::kDataSource, K::kText, OnChange::kStore),
            bytes(P::kDataColumn, K::kText, OnChange::kStore),
        });
    return table;
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), TableComponent(table()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PictureBox::~PictureBox() {
    stop_animation();
    notify_destroyed(window_id(), unit_id(), this);
}

void PictureBox::apply_property(int32_t number, OnChange change) {
    if (number == P::kPlayAnimations) {
        if (!showing_gif_) return;  // only stored: later GIFs keep the old setting
        animate_gifs_ = properties().word(P::kPlayAnimations) != 0;
        load_picture();
        return;
    }
    if (number == P::kPicture) {
        load_picture();
        return;
    }
    if (change != OnChange::kStore) update();
}

void PictureBox::apply_all() {
    animate_gifs_ = properties().word(P::kPlayAnimations) != 0;
    load_picture();
}

void PictureBox::stop_animation() {
    if (player_) player_->stop();  // the thread is gone before its data is released
    player_.reset();
}

void PictureBox::load_picture() {
    stop_animation();
    still_.reset();
    composited_ = QImage();
    const std::string& bytes = properties().bytes(P::kPicture);
    const image::ImageKind kind = image::detect_image_kind(as_span(bytes));
    showing_gif_ = kind == image::ImageKind::gif;
    if (showing_gif_ && animate_gifs_) {
        std::optional<image::GifAnimation> gif = image::read_gif(as_span(bytes));
        // A single frame needs no thread: it is shown as a still picture.
        if (gif && gif->frames.size() > 1) {
            const QRgb fill = background().rgb();
            player_ = std::make_unique<GifPlayer>(std::move(*gif), fill, [this] {
                QMetaObject::invokeMethod(
                    this, [this] { update(); }, Qt::QueuedConnection);
            });
        }
    }
    if (!player_ && kind != image::ImageKind::none) still_ = image::decode_image(as_span(bytes));
    update();
}

QRect PictureBox::client_rect() const {
    const int32_t w = border_width(properties().word(P::kBorder));
    return rect().adjusted(w, w, -w, -w);
}

QColor PictureBox::background() const {
    return background_colour_of(uint32_t(properties().word(P::kBackground)));
}

QRect PictureBox::placement(QSize picture, const QRect& client) const {
    switch (properties().word(P::kDisplayMode)) {
    case PictureMode::kStretched: return client;
    case PictureMode::kFitted: return fitted_placement(picture, client);
    default: return natural_placement(picture, client);
    }
}

void PictureBox::paint_still(QPainter& painter, const QRect& client) {
    const QColor under = background();
    if (composited_.isNull() || composited_over_ != under) {
        composited_ = composited_image(*still_, under);
        composited_over_ = under;
    }
    painter.drawImage(placement(composited_.size(), client), composited_);
}

void PictureBox::paint_animation(QPainter& painter, const QRect& client) {
    player_->start();  // the first paint after loading starts playback
    player_->with_screen([&](const image::DecodedImage& screen) {
        const QImage frame(reinterpret_cast<const uchar*>(screen.pixels.data()), screen.width,
                           screen.height, screen.width * 4, QImage::Format_ARGB32);
        painter.drawImage(placement(frame.size(), client), frame);
    });
}

void PictureBox::paintEvent(QPaintEvent* event) {
    if (event->region().isEmpty()) return;
    QPainter painter(this);
    const QRect client = paint_border(painter, rect(), properties().word(P::kBorder), palette());
    painter.setClipRegion(event->region().intersected(client));
    painter.fillRect(client, background());
    if (player_) paint_animation(painter, client);
    else if (still_) paint_still(painter, client);
}

namespace {

QWidget* create_picture_box(const CreateRequest& request) {
    auto box = std::make_unique<PictureBox>(request.parent);
    if (!prepare_component(box.get(), request)) return nullptr;
    box->apply_all();
    return box.release();
}

}  // namespace

void* picture_box_interface(int32_t code) {
    return type_interface(code, {.create = &create_picture_box});
}

}  // namespace qinghe
