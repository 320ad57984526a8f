#include "components/form_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <filesystem>

#include "components/colours.h"
#include "components/image/image_decoder.h"
#include "components/input_hook.h"
#include "components/picture_painter.h"
#include "components/qt_text.h"
#include "platform/file_names.h"
#include "platform/text_encoding.h"
#include "platform/web_opener.h"
#include "runtime/background_music.h"
#include "runtime/event_dispatch.h"
#include "runtime/property_block.h"
#include "runtime/runtime_object.h"
#include "runtime/start_up.h"

namespace qinghe {
namespace {

namespace K = PropertyKind;
namespace F = FormProperty;

PropertyDecl word(int32_t number, uint32_t kind, int32_t value, int32_t min = INT_MIN,
                  int32_t max = INT_MAX, OnChange change = OnChange::kReapply) {
    return {number, kind, value, "", min, max, change};
}

PropertyDecl bytes(int32_t number, uint32_t kind, OnChange change = OnChange::kReapply) {
    return {number, kind, 0, "", INT_MIN, INT_MAX, change};
}

bool sizable(int32_t border) { return border == 1 || border == 3 || border == 5; }

}  // namespace

const PropertyTable& FormWindowWidget::table() {
    constexpr OnChange store = OnChange::kStore;
    constexpr int32_t any = INT_MIN, all = INT_MAX;
    static const PropertyTable table(
        UnitType::kWindow,
        {
            bytes(F::kTitle, K::kText),
            word(F::kBorderStyle, K::kChoice, 2, 0, 6),
            word(F::kBackground, K::kBackgroundColour, int32_t(kSystemBackground)),
            bytes(F::kPicture, K::kPicture),
            word(F::kPictureLayout, K::kChoice, 1, 0, 3),
            bytes(F::kMusic, K::kMusic),
            word(F::kMusicMode, K::kChoice, 0, 0, 2),
            word(F::kControlBox, K::kLogical, 1),
            word(F::kMaximizeButton, K::kLogical, 0),
            word(F::kMinimizeButton, K::kLogical, 1),
            word(F::kStartPosition, K::kChoice, 1, 0, 3),
            word(F::kMovable, K::kLogical, 1),
            bytes(F::kIcon, K::kIcon),
            word(F::kEnterMovesFocus, K::kLogical, 0, any, all, store),
            word(F::kEscCloses, K::kLogical, 1, any, all, store),
            word(F::kF1Help, K::kLogical, 0, any, all, store),
            bytes(F::kHelpFile, K::kText, store),
            word(F::kHelpContext, K::kInteger, 0, any, all, store),
            word(F::kShowInTaskBar, K::kLogical, 1, any, all, store),
            word(F::kDragToMove, K::kLogical, 0, any, all, store),
            word(F::kShape, K::kChoice, 0, 0, 29),
            word(F::kAlwaysOnTop, K::kLogical, 0),
            word(F::kWord22, K::kInteger, 0, any, all, store),
            bytes(F::kClassName, K::kText, store),
        });
    return table;
}

FormWindowWidget::FormWindowWidget(QWidget* owner, bool modal)
    : QWidget(owner, Qt::Window), TableComponent(table()), modal_(modal) {
    install_input_hook();
    setAttribute(Qt::WA_DeleteOnClose, false);
}

FormWindowWidget::~FormWindowWidget() {
    stop_background_music(this);
    if (!destroyed_) notify_destroyed(window_id(), unit_id(), this);
}

std::string FormWindowWidget::class_name() const {
    const std::string& name = properties().bytes(F::kClassName);
    return name.empty() ? std::string("KRWindow") : name;
}

void FormWindowWidget::apply_window_flags() {
    const PropertyStore& p = properties();
    const int32_t border = p.word(F::kBorderStyle);
    Qt::WindowFlags flags = Qt::Window;
    if (border == 3 || border == 4) flags = Qt::Tool;
    if (border == 0) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint;
        bool control_box = p.word(F::kControlBox) != 0;
        if (!p.bytes(F::kTitle).empty() || control_box) flags |= Qt::WindowTitleHint;
        if (control_box) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (p.word(F::kMaximizeButton)) flags |= Qt::WindowMaximizeButtonHint;
        if (p.word(F::kMinimizeButton)) flags |= Qt::WindowMinimizeButtonHint;
    }
    if (p.word(F::kAlwaysOnTop)) flags |= Qt::WindowStaysOnTopHint;
    bool was_visible = isVisible();
    setWindowFlags(flags);
    if (sizable(border)) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
    if (was_visible) show();
}

void FormWindowWidget::apply_start_position() {
    switch (properties().word(F::kStartPosition)) {
    case 1: {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) break;
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
        break;
    }
    case 2: setWindowState(Qt::WindowMinimized); break;
    case 3:
        if (sizable(properties().word(F::kBorderStyle))) setWindowState(Qt::WindowMaximized);
        break;
    default: break;
    }
}

void FormWindowWidget::apply_background() {
    uint32_t colour = uint32_t(properties().word(F::kBackground));
    QPalette palette = QGuiApplication::palette();
    if (colour != kSystemBackground) palette.setColor(QPalette::Window, colour_of(colour));
    setPalette(palette);
    setAutoFillBackground(true);
    update();
}

const QImage& FormWindowWidget::picture() {
    if (!picture_cache_) {
        const std::string& bytes = properties().bytes(F::kPicture);
        auto decoded = bytes.empty()
                           ? std::nullopt
                           : image::decode_image(std::span(
                                 reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        picture_cache_ =
            decoded ? composited_image(*decoded, palette().color(QPalette::Window)) : QImage();
    }
    return *picture_cache_;
}

void paint_window_picture(QPainter& painter, const QImage& picture, int32_t layout,
                          const QRect& area) {
    if (picture.isNull()) return;
    switch (layout) {
    case 0: painter.drawImage(natural_placement(picture.size(), area).topLeft(), picture); break;
    case 2: painter.drawImage(area, picture); break;
    case 3: painter.drawImage(fitted_placement(picture.size(), area), picture); break;
    default: painter.drawTiledPixmap(area, QPixmap::fromImage(picture)); break;
    }
}

void FormWindowWidget::paintEvent(QPaintEvent*) {
    const QImage& image = picture();
    if (image.isNull()) return;  // the background colour alone
    QPainter painter(this);
    paint_window_picture(painter, image, properties().word(F::kPictureLayout), rect());
}

QRegion window_shape_region(int32_t shape, QSize size) {
    const QRect all(QPoint(0, 0), size);
    switch (shape) {
    case 1: return QRegion(all, QRegion::Ellipse);
    case 2: {
        const int radius = std::max(1, std::min(size.width(), size.height()) / 8);
        QPainterPath path;
        path.addRoundedRect(QRectF(all), radius, radius);
        return QRegion(path.toFillPolygon().toPolygon());
    }
    default: return QRegion(all);
    }
}

void FormWindowWidget::apply_shape() {
    const int32_t shape = properties().word(F::kShape);
    if (shape == 0) clearMask();
    else setMask(window_shape_region(shape, size()));
}

void FormWindowWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (properties().word(F::kShape) != 0) apply_shape();
}

void FormWindowWidget::apply_music() {
    stop_background_music(this);
    const int32_t mode = properties().word(F::kMusicMode);
    if (mode == 0 || mode == 1)
        play_background_music(this, properties().bytes(F::kMusic), mode == 0);
}

void FormWindowWidget::apply_icon() {
    QPixmap pixmap;
    const std::string& data = properties().bytes(F::kIcon);
    if (!data.empty() &&
        pixmap.loadFromData(reinterpret_cast<const uchar*>(data.data()), uint(data.size())))
        setWindowIcon(QIcon(pixmap));
    else setWindowIcon(default_program_icon());
}

void FormWindowWidget::apply_all() {
    setWindowTitle(qt_text(properties().bytes(F::kTitle)));
    apply_window_flags();
    apply_start_position();
    apply_background();
    apply_icon();
    apply_shape();
    apply_music();
}

void FormWindowWidget::apply_property(int32_t number, OnChange change) {
    if (change == OnChange::kStore) return;
    switch (number) {
    case F::kTitle:
        setWindowTitle(qt_text(properties().bytes(F::kTitle)));
        apply_window_flags();
        break;
    case F::kBorderStyle:
    case F::kControlBox:
    case F::kMaximizeButton:
    case F::kMinimizeButton:
    case F::kAlwaysOnTop:
    case F::kMovable: apply_window_flags(); break;
    case F::kStartPosition:
        if (isVisible()) {
            setWindowState(Qt::WindowNoState);
            apply_start_position();
        }
        break;
    case F::kBackground:
        picture_cache_.reset();
        apply_background();
        break;
    case F::kPicture:
        picture_cache_.reset();
        update();
        break;
    case F::kIcon: apply_icon(); break;
    case F::kShape: apply_shape(); break;
    case F::kMusic:
    case F::kMusicMode: apply_music(); break;
    default: update(); break;
    }
}

void FormWindowWidget::open_help() {
    namespace fs = std::filesystem;
    fs::path file = platform::native_path(platform::utf8_from_gbk(properties().bytes(F::kHelpFile)));
    if (file.empty()) {
        const std::string program = platform::utf8_from_gbk(program_file_name());
        if (program.empty()) return;
        file = platform::native_path(program).replace_extension("hlp");
    }
    if (file.is_relative())
        file = platform::native_path(platform::utf8_from_gbk(program_directory())) / file;
    platform::open_local_file(platform::utf8_path(file));
}

bool FormWindowWidget::request_close() {
    if (closing_) return false;
    QPointer<FormWindowWidget> self(this);
    HandlerResult r = raise_event(window_id(), unit_id(), FormEvent::kCloseRequest);
    if (!self) return true;
    if (r.has_value && r.lo == 0) return false;
    r = raise_event(window_id(), unit_id(), FormEvent::kCloseQuery);
    if (!self) return true;
    if (r.has_value && r.lo == 0) return false;
    restore_disabled_windows(window_id());
    destroy_window();
    return true;
}

void FormWindowWidget::destroy_window() {
    if (closing_) return;
    closing_ = true;
    raise_event(window_id(), unit_id(), FormEvent::kDestroyed);
    stop_background_music(this);
    hide();
    destroyed_ = true;
    notify_destroyed(window_id(), unit_id(), this);
    deleteLater();
}

void FormWindowWidget::closeEvent(QCloseEvent* event) {
    event->ignore();
    request_close();
}

void FormWindowWidget::on_activation(bool active) {
    if (active && !isEnabled() && first_activation_done_) {
        if (QWidget* modal = active_modal_window(); modal && modal != this) {
            modal->activateWindow();
            return;
        }
    }
    if (in_activation_event_) return;
    in_activation_event_ = true;
    QPointer<FormWindowWidget> self(this);
    if (active && !first_activation_done_) {
        first_activation_done_ = true;
        raise_event(window_id(), unit_id(), FormEvent::kFirstActivation);
    }
    if (self)
        raise_event(window_id(), unit_id(),
                    active ? FormEvent::kActivated : FormEvent::kDeactivated);
    if (self) in_activation_event_ = false;
}

void FormWindowWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !closing_) on_activation(isActiveWindow());
    QWidget::changeEvent(event);
}

void FormWindowWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) raise_event(window_id(), unit_id(), FormEvent::kShown);
}

void FormWindowWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous() && !closing_) raise_event(window_id(), unit_id(), FormEvent::kHidden);
}

FormWindowWidget* form_window_of(QWidget* widget) {
    return widget ? dynamic_cast<FormWindowWidget*>(widget->window()) : nullptr;
}

QIcon default_program_icon() {
    // A young green rice plant on a light field: the program's own mark.
    static const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 32, 48}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            const qreal s = size / 32.0;
            p.setBrush(QColor(0xE8, 0xF5, 0xE0));
            p.setPen(QPen(QColor(0x3C, 0x8D, 0x2F), 1.5 * s));
            p.drawRoundedRect(QRectF(1 * s, 1 * s, 30 * s, 30 * s), 6 * s, 6 * s);
            p.setPen(QPen(QColor(0x2E, 0x7D, 0x32), 2.5 * s, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(16 * s, 28 * s), QPointF(16 * s, 9 * s));
            QPainterPath leaves;
            leaves.moveTo(16 * s, 20 * s);
            leaves.quadTo(7 * s, 18 * s, 6 * s, 10 * s);
            leaves.moveTo(16 * s, 16 * s);
            leaves.quadTo(25 * s, 14 * s, 26 * s, 6 * s);
            p.setBrush(Qt::NoBrush);
            p.drawPath(leaves);
            p.setBrush(QColor(0xE0, 0xB0, 0x30));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(16 * s, 7 * s), 3 * s, 4 * s);
            p.end();
            result.addPixmap(pixmap);
        }
        return result;
    }();
    return icon;
}

namespace {

QWidget* create_form_window(const CreateRequest& request) {
    auto window = std::make_unique<FormWindowWidget>(request.owner, request.modal);
    if (!prepare_component(window.get(), request)) return nullptr;
    window->resize(request.width, request.height);
    window->setMouseTracking(true);
    window->apply_all();
    return window.release();
}

std::string extract_icon(const uint8_t* block, int32_t length) {
    PropertyStore store(FormWindowWidget::table());
    if (!store.read_blob(block, length)) return {};
    return store.bytes(F::kIcon);
}

}  // namespace

void* form_window_interface(int32_t code) {
    return type_interface(code, {.create = &create_form_window, .extract_icon = &extract_icon});
}

}  // namespace qinghe
