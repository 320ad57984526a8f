// The gradient painter shared by the components: two or three colour
// stops along one of eight directions, rendered in tiles of at most
// 50 x 50 pixels into a 32-bit image and copied tile by tile.
#pragma once

#include <cstdint>
#include <vector>

class QPainter;
class QRect;

namespace qinghe {

inline constexpr uint32_t kNoColour = 0xFF000000;  // an unused colour stop

// The stops among the given ones that are used (not 0xFF000000), in order.
std::vector<uint32_t> used_stops(std::initializer_list<uint32_t> stops);

// Colour (0x00BBGGRR) at position p of extent e.
uint32_t gradient_colour(const std::vector<uint32_t>& stops, int32_t p, int32_t e);

// Paints `area` with the gradient of `mode` (1..8), skipping tiles outside
// `clip`. Returns false and paints nothing for a mode outside 1..8 or
// fewer than two stops.
bool paint_gradient(QPainter& painter, const QRect& area, int32_t mode,
                    const std::vector<uint32_t>& stops, const QRect& clip);

}  // namespace qinghe
