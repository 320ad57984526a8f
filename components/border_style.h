// The component border styles shared by the components: 0 none, 1 sunken
// client edge, 2 raised frame, 3 thin static edge, 4 client edge inside a
// raised frame, 5 single line. Painted by the component inside its own
// rectangle; the rest is its client area.
#pragma once

#include <QRect>
#include <cstdint>

class QPainter;
class QPalette;

namespace qinghe {

int32_t border_width(int32_t style);
// Paints the border of `style` along `outer`; returns the client rectangle.
QRect paint_border(QPainter& painter, const QRect& outer, int32_t style, const QPalette& palette);

}  // namespace qinghe
