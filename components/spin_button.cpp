#include "components/spin_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <qdrawutil.h>

namespace qinghe {
namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 80;

}  // namespace

SpinButton::SpinButton(QWidget* parent, std::function<void(int32_t)> on_step)
    : QWidget(parent), on_step_(std::move(on_step)) {
    setFocusPolicy(Qt::NoFocus);
    connect(&repeat_, &QTimer::timeout, this, [this] {
        repeat_.setInterval(kRepeatMs);
        report();
    });
}

void SpinButton::release() {
    on_step_ = nullptr;
    repeat_.stop();
    hide();
    deleteLater();
}

// The receiver may release this button; it runs on a copy.
void SpinButton::report() {
    if (!pressed_ || !on_step_) return;
    auto on_step = on_step_;
    on_step(pressed_);
}

void SpinButton::set_range(int32_t first, int32_t second) {
    const int32_t a = int16_t(first), b = int16_t(second);
    minimum_ = std::min(a, b);
    maximum_ = std::max(a, b);
}

void SpinButton::set_thin_edge(bool on) {
    thin_edge_ = on;
    update();
}

QRect SpinButton::half(int32_t direction) const {
    const QRect inner = thin_edge_ ? rect().adjusted(1, 1, -1, -1) : rect();
    const int top_height = inner.height() / 2;
    if (direction > 0) return QRect(inner.left(), inner.top(), inner.width(), top_height);
    return QRect(inner.left(), inner.top() + top_height, inner.width(),
                 inner.height() - top_height);
}

void SpinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (thin_edge_) qDrawShadeRect(&painter, rect(), palette(), true, 1, 0);
    for (int32_t direction : {1, -1}) {
        const QRect r = half(direction);
        const QBrush face = palette().brush(QPalette::Button);
        qDrawWinButton(&painter, r, palette(), pressed_ == direction, &face);
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = r.adjusted(3, 2, -3, -2);
        style()->drawPrimitive(
            direction > 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow,
            &painter, this);
    }
}

void SpinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = half(1).contains(event->position().toPoint()) ? 1 : -1;
    update();
    repeat_.start(kFirstRepeatMs);
    report();
}

void SpinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = 0;
    repeat_.stop();
    update();
}

}  // namespace qinghe
