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

// The colour `share_of_b` (0 to 1) of the way from a to b.
inline QColor mixed_colour(const QColor& a, const QColor& b, double share_of_b) {
    auto mix = [share_of_b](int x, int y) { return int(x + (y - x) * share_of_b + 0.5); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

// A background colour property; 0xFF000000 follows the current palette.
QColor background_colour_of(uint32_t bgr);

}  // namespace qinghe
