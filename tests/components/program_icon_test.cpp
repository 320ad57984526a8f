// The icon the desktop shows for the installed program is the picture the
// window paints as its icon: the shipped 48-pixel image matches the
// window's own 48-pixel icon.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <cstdlib>

#include "components/form_window.h"

namespace qinghe {
namespace {

double mean_difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                   std::abs(p.blue() - q.blue()) + std::abs(p.alpha() - q.alpha());
        }
    }
    return sum / (4.0 * a.width() * a.height());
}

TEST(ProgramIcon, ShippedImageIsTheWindowIcon) {
    QImage shipped(QINGHE_SOURCE_DIR "/packaging/icons/qinghe-48.png");
    ASSERT_FALSE(shipped.isNull());
    QImage painted = default_program_icon().pixmap(48, 48).toImage();
    ASSERT_EQ(painted.size(), shipped.size());
    shipped = shipped.convertToFormat(QImage::Format_ARGB32);
    painted = painted.convertToFormat(QImage::Format_ARGB32);
    // Two renderers anti-alias edges differently; a different picture
    // differs by far more.
    EXPECT_LT(mean_difference(shipped, painted), 3.0);
    EXPECT_GT(mean_difference(shipped, shipped.mirrored(true, false)), 10.0);
}

}  // namespace
}  // namespace qinghe
