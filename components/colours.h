// Colours of the components: 0x00BBGGRR words, with 0xFF000000 in a
// background colour meaning the system button-face colour.
#pragma once

#include <QColor>
#include <cstdint>

namespace qinghe {

inline constexpr uint32_t kSystemBackground = 0xFF000000;

inline QColor colour_of(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// A background colour property; 0xFF000000 follows the current palette.
QColor background_colour_of(uint32_t bgr);

}  // namespace qinghe
