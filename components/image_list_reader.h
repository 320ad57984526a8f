// Image lists stored in list box properties: the 4 bytes "MITL", 4 bytes
// not interpreted, then an image-list stream (a 28-byte "IL" header, a
// bitmap file holding the images side by side in rows, and a second
// bitmap with their masks when the header says so).
#pragma once

#include <QImage>
#include <string_view>
#include <vector>

namespace qinghe {

struct ImageList {
    QSize image_size;
    std::vector<QImage> images;

    int32_t count() const { return int32_t(images.size()); }
    bool valid_index(int32_t index) const { return index >= 0 && index < count(); }
};

// The images of the property bytes; an empty list when the bytes are 8 or
// fewer, carry another signature, or hold a stream this reader cannot read.
ImageList read_image_list(std::string_view bytes);

}  // namespace qinghe
