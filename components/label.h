// The label: a child window that paints a caption over a background
// colour, gradient or picture, inside a component border or a gradient
// frame. It has no input of its own; the form engine raises the common
// mouse events for it.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "components/property_table.h"

namespace qinghe {

namespace LabelProperty {  // own numbers
inline constexpr int32_t kCaption = 0;
inline constexpr int32_t kEffect = 1;
inline constexpr int32_t kBorder = 2;
inline constexpr int32_t kFrameWidth = 3;
inline constexpr int32_t kFrameStop1 = 4;
inline constexpr int32_t kFont = 7;
inline constexpr int32_t kTextColour = 8;
inline constexpr int32_t kBackground = 9;
inline constexpr int32_t kPicture = 10;
inline constexpr int32_t kPictureMode = 11;
inline constexpr int32_t kGradientMode = 12;
inline constexpr int32_t kGradientStop1 = 13;
inline constexpr int32_t kAlignment = 16;
inline constexpr int32_t kWordWrap = 17;
inline constexpr int32_t kVerticalAlignment = 18;
inline constexpr int32_t kDataSource = 19;
inline constexpr int32_t kDataColumn = 20;
}  // namespace LabelProperty

inline constexpr int32_t kGradientFrameBorder = 6;

class Label : public QWidget, public TableComponent {
public:
    explicit Label(QWidget* parent);
    ~Label() override;

    static const PropertyTable& table();
    void apply_property(int32_t number, OnChange change) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect paint_gradient_frame(QPainter& painter, QRect r);
    // Draws the background picture into r; returns the part of r it covered.
    QRegion paint_picture(QPainter& painter, const QRect& r);
    const QImage* picture();
    void paint_caption(QPainter& painter, const QRect& r);

    // The decoded background picture, rebuilt after property 18 changes.
    std::optional<QImage> picture_cache_;
};

// The type's interface entry.
void* label_interface(int32_t code);

}  // namespace qinghe
