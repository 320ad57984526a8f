#include "components/gradient_painter.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <algorithm>

namespace qinghe {
namespace {

constexpr int32_t kTile = 50;

int32_t channel(uint32_t colour, int shift) { return int32_t((colour >> shift) & 0xFF); }

// Position of pixel (x, y) of a w x h area along the gradient of `mode`.
int32_t position(int32_t mode, int32_t x, int32_t y, int32_t w, int32_t h) {
    switch (mode) {
    case 1: return y;
    case 2: return x;
    case 3: return x + y;
    case 4: return (w - 1 - x) + y;
    case 5: return h - 1 - y;
    case 6: return w - 1 - x;
    case 7: return (w - 1 - x) + (h - 1 - y);
    default: return x + (h - 1 - y);
    }
}

int32_t extent(int32_t mode, int32_t w, int32_t h) {
    if (mode == 1 || mode == 5) return h;
    if (mode == 2 || mode == 6) return w;
    return 2 * std::min(w, h);
}

QRgb to_rgb(uint32_t colour) {
    return qRgb(channel(colour, 0), channel(colour, 8), channel(colour, 16));
}

}  // namespace

std::vector<uint32_t> used_stops(std::initializer_list<uint32_t> stops) {
    std::vector<uint32_t> out;
    for (uint32_t s : stops)
        if (s != kNoColour) out.push_back(s);
    return out;
}

uint32_t gradient_colour(const std::vector<uint32_t>& stops, int32_t p, int32_t e) {
    int32_t segments = int32_t(stops.size()) - 1;
    int32_t seg = e / segments;
    // An extent shorter than the segment count has no room for a blend.
    if (seg <= 0 || p < 0) return p < 0 ? stops.front() : stops.back();
    int32_t s = p / seg;
    if (s >= segments) return stops.back();
    double f = double(p % seg) / double(seg);
    uint32_t c0 = stops[size_t(s)], c1 = stops[size_t(s) + 1];
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        int32_t a = channel(c0, shift), b = channel(c1, shift);
        out |= uint32_t(a + int32_t(f * double(b - a))) << shift;
    }
    return out;
}

bool paint_gradient(QPainter& painter, const QRect& area, int32_t mode,
                    const std::vector<uint32_t>& stops, const QRect& clip) {
    if (mode < 1 || mode > 8 || stops.size() < 2 || stops.size() > 3) return false;
    const int32_t w = area.width(), h = area.height();
    if (w <= 0 || h <= 0) return true;
    const int32_t e = extent(mode, w, h);
    QImage tile(kTile, kTile, QImage::Format_RGB32);
    for (int32_t ty = 0; ty < h; ty += kTile) {
        for (int32_t tx = 0; tx < w; tx += kTile) {
            QRect target(area.left() + tx, area.top() + ty, std::min(kTile, w - tx),
                         std::min(kTile, h - ty));
            if (!target.intersects(clip)) continue;
            for (int32_t y = 0; y < target.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(tile.scanLine(y));
                for (int32_t x = 0; x < target.width(); ++x)
                    row[x] =
                        to_rgb(gradient_colour(stops, position(mode, tx + x, ty + y, w, h), e));
            }
            painter.drawImage(target.topLeft(), tile, QRect(0, 0, target.width(), target.height()));
        }
    }
    return true;
}

}  // namespace qinghe
