// The spin button beside a single-line edit box: two arrow buttons, up
// above down, that report each press (and repeat while held). It keeps a
// range of signed 16-bit values for its box.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace qinghe {

class SpinButton : public QWidget {
public:
    static constexpr int kWidth = 18;

    // `on_step` receives +1 for up and -1 for down.
    SpinButton(QWidget* parent, std::function<void(int32_t)> on_step);

    // The bounds are held as 16-bit values, the smaller as the minimum.
    void set_range(int32_t first, int32_t second);
    int32_t minimum() const { return minimum_; }
    int32_t maximum() const { return maximum_; }
    void set_thin_edge(bool on);
    // Stops reporting, hides and deletes itself once control is back in
    // the event loop.
    void release();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect half(int32_t direction) const;
    void report();

    std::function<void(int32_t)> on_step_;
    int32_t minimum_ = 0;
    int32_t maximum_ = 100;
    int32_t pressed_ = 0;  // direction of the held button, 0 when none
    bool thin_edge_ = false;
    QTimer repeat_;
};

}  // namespace qinghe
