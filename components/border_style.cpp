#include "components/border_style.h"

#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

namespace qinghe {

int32_t border_width(int32_t style) {
    switch (style) {
    case 1: return 2;
    case 2: return 2;
    case 3: return 1;
    case 4: return 4;
    case 5: return 1;
    default: return 0;
    }
}

QRect paint_border(QPainter& painter, const QRect& outer, int32_t style, const QPalette& palette) {
    const QRect inner = outer.adjusted(2, 2, -2, -2);
    switch (style) {
    case 1: qDrawWinPanel(&painter, outer, palette, true); break;
    case 2: qDrawWinPanel(&painter, outer, palette, false); break;
    case 3: qDrawShadeRect(&painter, outer, palette, true, 1, 0); break;
    case 4:
        qDrawWinPanel(&painter, outer, palette, false);
        qDrawWinPanel(&painter, inner, palette, true);
        break;
    case 5:
        painter.setPen(QColor(0, 0, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(outer.adjusted(0, 0, -1, -1));
        break;
    default: break;
    }
    int32_t w = border_width(style);
    return outer.adjusted(w, w, -w, -w);
}

}  // namespace qinghe
