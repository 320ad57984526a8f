#include "components/picture_painter.h"

namespace qinghe {
namespace {

uint32_t blend_channel(uint32_t c, uint32_t background, uint32_t alpha) {
    return (alpha * c + (255 - alpha) * background + 127) / 255;
}

}  // namespace

QRect natural_placement(QSize picture, const QRect& area) { return QRect(area.topLeft(), picture); }

QRect fitted_placement(QSize picture, const QRect& area) {
    const int64_t w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0) return {};
    int64_t shown_w = w, shown_h = h;
    if (w > area.width() || h > area.height()) {
        // Compare area.w / w with area.h / h without rounding: cross-multiplied.
        if (int64_t(area.width()) * h <= int64_t(area.height()) * w) {
            shown_w = area.width();
            shown_h = h * area.width() / w;
        } else {
            shown_h = area.height();
            shown_w = w * area.height() / h;
        }
    }
    return QRect(area.left() + int(area.width() - shown_w) / 2,
                 area.top() + int(area.height() - shown_h) / 2, int(shown_w), int(shown_h));
}

uint32_t blend_over(uint32_t pixel, QRgb background) {
    const uint32_t a = image::alpha_of(pixel);
    if (a == 0xFF) return pixel;
    return image::argb(blend_channel((pixel >> 16) & 0xFF, qRed(background), a),
                       blend_channel((pixel >> 8) & 0xFF, qGreen(background), a),
                       blend_channel(pixel & 0xFF, qBlue(background), a));
}

QImage composited_image(const image::DecodedImage& picture, QColor background) {
    QImage result(picture.width, picture.height, QImage::Format_RGB32);
    if (result.isNull()) return result;
    const QRgb under = background.rgb();
    for (int32_t y = 0; y < picture.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(result.scanLine(y));
        for (int32_t x = 0; x < picture.width; ++x) {
            uint32_t p = picture.at(x, y);
            row[x] = picture.has_alpha ? blend_over(p, under) : (p | 0xFF000000u);
        }
    }
    return result;
}

}  // namespace qinghe
