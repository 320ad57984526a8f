// Pictures in components: where a decoded picture goes in a rectangle for
// the display modes, and its pixels composited over a background colour.
// Shared by the picture box and the label's background picture.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>

#include "components/image/decoded_image.h"

namespace qinghe {

// At the rectangle's top-left corner at natural size.
QRect natural_placement(QSize picture, const QRect& area);
// Natural size centred in every dimension where the picture fits; when it is
// larger in either one, scaled by the smaller of the two ratios (sides
// truncated to whole pixels) and centred.
QRect fitted_placement(QSize picture, const QRect& area);

// One 0xAARRGGBB pixel over an opaque background: a/255 of the pixel plus
// (1 - a/255) of the background per channel, rounded; the result is opaque.
uint32_t blend_over(uint32_t pixel, QRgb background);

// The picture as an opaque image, every pixel blended over the background.
QImage composited_image(const image::DecodedImage& picture, QColor background);

}  // namespace qinghe
