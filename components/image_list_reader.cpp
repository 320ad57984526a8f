#include "components/image_list_reader.h"

#include <algorithm>
#include <optional>
#include <span>

#include "components/image/bmp_reader.h"
#include "runtime/byte_stream.h"

namespace qinghe {
namespace {

constexpr std::string_view kSignature = "MITL";
constexpr uint16_t kStreamMagic = 0x4C49;  // "IL"
constexpr uint16_t kHasMask = 0x0001;
constexpr size_t kBitmapFileHeaderSize = 14;

struct StreamHeader {
    uint16_t count = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t flags = 0;
};

std::optional<StreamHeader> read_header(ByteReader& r) {
    StreamHeader h;
    uint16_t magic = r.u16();
    r.u16();  // version
    h.count = r.u16();
    r.u16();  // capacity
    r.u16();  // growth
    h.width = r.u16();
    h.height = r.u16();
    r.u32();  // background colour
    h.flags = r.u16();
    r.skip(8);  // overlay images
    if (!r.ok() || magic != kStreamMagic || h.width == 0 || h.height == 0) return std::nullopt;
    return h;
}

// One bitmap file at the reader's position; the reader moves past it.
std::optional<QImage> read_bitmap(ByteReader& r) {
    std::string_view rest = r.bytes(r.remaining());
    if (rest.size() < kBitmapFileHeaderSize || rest.substr(0, 2) != "BM") return std::nullopt;
    ByteReader size_field(rest.substr(2, 4));
    size_t size = std::min<size_t>(size_field.u32(), rest.size());
    auto decoded = image::read_bmp(std::span(reinterpret_cast<const uint8_t*>(rest.data()), size));
    r = ByteReader(rest.substr(size));
    if (!decoded) return std::nullopt;
    QImage image(reinterpret_cast<const uchar*>(decoded->pixels.data()), decoded->width,
                 decoded->height, QImage::Format_ARGB32);
    return image.copy();
}

// Mask pixels that are white mark the transparent part of an image.
void apply_mask(QImage& images, const QImage& mask) {
    const int w = std::min(images.width(), mask.width());
    const int h = std::min(images.height(), mask.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (qGray(mask.pixel(x, y)) > 127) images.setPixel(x, y, 0);
}

}  // namespace

ImageList read_image_list(std::string_view bytes) {
    if (bytes.size() <= 8 || bytes.substr(0, 4) != kSignature) return {};
    ByteReader r(bytes.substr(8));
    auto header = read_header(r);
    if (!header) return {};
    auto images = read_bitmap(r);
    if (!images) return {};
    if (header->flags & kHasMask) {
        if (auto mask = read_bitmap(r)) apply_mask(*images, *mask);
    }
    ImageList list;
    list.image_size = QSize(header->width, header->height);
    const int per_row = images->width() / header->width;
    for (int i = 0; per_row > 0 && i < header->count; ++i) {
        QRect at((i % per_row) * header->width, (i / per_row) * header->height, header->width,
                 header->height);
        if (!images->rect().contains(at)) break;
        list.images.push_back(images->copy(at));
    }
    return list;
}

}  // namespace qinghe
