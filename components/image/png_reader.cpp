#include "components/image/png_reader.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace qinghe::image {
namespace {

struct MemorySource {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

void read_from_memory(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->bytes.size() - source->position) png_error(png, "truncated");
    std::memcpy(out, source->bytes.data() + source->position, length);
    source->position += length;
}

void ignore_warning(png_structp, png_const_charp) {}

// Everything between the setjmp and libpng's longjmp lives in `image` and
// `rows`, which the caller owns, so no destructor is skipped.
void decode_rows(png_structp png, png_infop info, DecodedImage& image,
                 std::vector<png_bytep>& rows) {
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    if (!fits_budget(width, height)) png_error(png, "too large");
    int color_type = png_get_color_type(png, info);
    bool alpha = (color_type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);

    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unexpected row layout");

    image = DecodedImage(int32_t(width), int32_t(height));
    image.has_alpha = alpha;
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(&image.pixels[size_t(y) * width]);
    png_read_image(png, rows.data());
}

}  // namespace

std::optional<DecodedImage> read_png(std::span<const uint8_t> bytes) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, ignore_warning);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return std::nullopt;
    }
    MemorySource source{bytes};
    DecodedImage image;
    std::vector<png_bytep> rows;
    bool decoded = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &source, read_from_memory);
        png_set_user_limits(png, kMaxSide, kMaxSide);
        png_set_chunk_malloc_max(png, 8 << 20);
        decode_rows(png, info, image, rows);
        decoded = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!decoded) return std::nullopt;
    return image;
}

}  // namespace qinghe::image
