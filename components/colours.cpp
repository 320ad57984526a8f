#include "components/colours.h"

#include <QGuiApplication>
#include <QPalette>

namespace qinghe {

QColor background_colour_of(uint32_t bgr) {
    if (bgr == kSystemBackground) return QGuiApplication::palette().color(QPalette::Button);
    return colour_of(bgr);
}

}  // namespace qinghe
