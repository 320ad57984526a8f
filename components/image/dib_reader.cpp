#include "components/image/dib_reader.h"

#include <array>
#include <bit>
#include <vector>

#include "components/image/byte_reader.h"

namespace qinghe::image {
namespace {

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        bits = std::bit_width(m >> shift);
    }
    uint32_t extract(uint32_t value) const {
        if (!mask) return 0;
        uint32_t v = (value & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        return v * 255 / ((1u << bits) - 1);
    }
};

struct DibHeader {
    int32_t width = 0;
    int32_t height = 0;  // rows of the colour image
    bool top_down = false;
    int bits_per_pixel = 0;
    uint32_t compression = kRgb;
    std::array<Channel, 4> channels;  // red, green, blue, alpha
    std::array<uint32_t, 256> palette{};
    size_t bits_start = 0;  // offset of the pixel bits into the dib
};

bool valid_depth(int bpp, uint32_t compression) {
    switch (compression) {
    case kRgb: return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case kRle8: return bpp == 8;
    case kRle4: return bpp == 4;
    case kBitFields: return bpp == 16 || bpp == 32;
    default: return false;
    }
}

void set_default_masks(DibHeader& h) {
    if (h.bits_per_pixel == 16)
        h.channels = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F), Channel()};
    if (h.bits_per_pixel == 32)
        h.channels = {Channel(0xFF0000), Channel(0xFF00), Channel(0xFF), Channel(0xFF000000)};
}

// Reads the header, masks and palette; checks every field a decoder relies on.
std::optional<DibHeader> read_header(std::span<const uint8_t> dib, DibRole role) {
    ByteReader in(dib);
    DibHeader h;
    uint32_t header_size = in.u32();
    uint32_t colours_used = 0;
    size_t palette_entry = 4;
    if (header_size == 12) {
        h.width = in.u16();
        h.height = int16_t(in.u16());
        in.skip(2);
        h.bits_per_pixel = in.u16();
        set_default_masks(h);
        palette_entry = 3;
    } else if (header_size >= 40 && header_size <= dib.size()) {
        h.width = in.i32();
        h.height = in.i32();
        in.skip(2);
        h.bits_per_pixel = in.u16();
        h.compression = in.u32();
        in.skip(12);
        colours_used = in.u32();
        in.skip(4);
        set_default_masks(h);
        if (h.compression == kBitFields) {
            // Masks sit inside longer headers and follow the 40-byte one.
            uint32_t r = in.u32(), g = in.u32(), b = in.u32();
            uint32_t a = header_size >= 56 ? in.u32() : 0;
            h.channels = {Channel(r), Channel(g), Channel(b), Channel(a)};
        }
        if (header_size > 40 || h.compression != kBitFields) in = ByteReader(dib, header_size);
    } else {
        return std::nullopt;
    }
    if (!in.ok()) return std::nullopt;

    if (h.height == INT32_MIN) return std::nullopt;
    if (h.height < 0) {
        if (role == DibRole::icon) return std::nullopt;
        h.top_down = true;
        h.height = -h.height;
    }
    if (role == DibRole::icon) h.height /= 2;
    if (role == DibRole::icon && h.compression != kRgb && h.compression != kBitFields)
        return std::nullopt;
    if (!valid_depth(h.bits_per_pixel, h.compression) || !fits_budget(h.width, h.height))
        return std::nullopt;

    if (h.bits_per_pixel <= 8) {
        uint32_t capacity = 1u << h.bits_per_pixel;
        uint32_t count = colours_used ? colours_used : capacity;
        if (count > 256) return std::nullopt;
        for (uint32_t i = 0; i < count; ++i) {
            auto entry = in.bytes(palette_entry);
            if (!in.ok()) return std::nullopt;
            if (i < capacity) h.palette[i] = argb(entry[2], entry[1], entry[0]);
        }
        for (uint32_t i = count; i < 256; ++i) h.palette[i] = argb(0, 0, 0);
    }
    h.bits_start = in.position();
    return h;
}

size_t row_stride(int64_t width, int bpp) { return size_t((width * bpp + 31) / 32 * 4); }

uint32_t read_le(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t(p[i]) << (8 * i);
    return v;
}

uint32_t pixel_from_row(const DibHeader& h, const uint8_t* row, int32_t x, DibRole role) {
    int bpp = h.bits_per_pixel;
    if (bpp <= 8) {
        size_t bit = size_t(x) * size_t(bpp);
        unsigned index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        return h.palette[index];
    }
    if (bpp == 24) {
        const uint8_t* p = row + size_t(x) * 3;
        return argb(p[2], p[1], p[0]);
    }
    uint32_t v = read_le(row + size_t(x) * size_t(bpp / 8), bpp / 8);
    const auto& c = h.channels;
    // A plain 32-bit bitmap file carries no alpha; icons and explicit alpha masks do.
    bool use_alpha = c[3].mask && (role == DibRole::icon || h.compression == kBitFields);
    return argb(c[0].extract(v), c[1].extract(v), c[2].extract(v),
                use_alpha ? c[3].extract(v) : 0xFF);
}

int32_t image_row(const DibHeader& h, int64_t stored_row) {
    return h.top_down ? int32_t(stored_row) : h.height - 1 - int32_t(stored_row);
}

std::optional<DecodedImage> decode_plain(const DibHeader& h, std::span<const uint8_t> bits,
                                         DibRole role) {
    size_t stride = row_stride(h.width, h.bits_per_pixel);
    size_t last_row = (size_t(h.width) * size_t(h.bits_per_pixel) + 7) / 8;
    if (bits.size() < stride * size_t(h.height - 1) + last_row) return std::nullopt;
    DecodedImage image(h.width, h.height);
    for (int32_t r = 0; r < h.height; ++r) {
        const uint8_t* row = bits.data() + stride * size_t(r);
        int32_t y = image_row(h, r);
        for (int32_t x = 0; x < h.width; ++x) image.at(x, y) = pixel_from_row(h, row, x, role);
    }
    return image;
}

// Run-length data: pairs (count, index) and escapes 0/0 end of line, 0/1 end
// of picture, 0/2 move, 0/n n literal indices padded to a 16-bit boundary.
// Pixels the data never reaches keep palette index 0.
DecodedImage decode_run_length(const DibHeader& h, std::span<const uint8_t> bits) {
    const bool four_bit = h.compression == kRle4;
    std::vector<uint8_t> indices(size_t(h.width) * size_t(h.height), 0);
    int64_t x = 0, row = 0;
    auto put = [&](unsigned index) {
        if (x < h.width && row < h.height)
            indices[size_t(row) * size_t(h.width) + size_t(x)] = uint8_t(index);
        ++x;
    };
    auto nibble = [&](uint8_t byte, int i) -> unsigned {
        return four_bit ? ((i % 2 == 0) ? byte >> 4 : byte & 0x0F) : byte;
    };
    ByteReader in(bits);
    while (in.remaining() >= 2 && row < h.height) {
        uint8_t count = in.u8(), value = in.u8();
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(nibble(value, i));
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += in.u8();
            row += in.u8();
        } else {
            size_t byte_count = four_bit ? (value + 1u) / 2 : value;
            auto literal = in.bytes(byte_count + byte_count % 2);
            if (!in.ok()) break;
            for (int i = 0; i < value; ++i) put(nibble(literal[four_bit ? i / 2 : i], i));
        }
    }
    DecodedImage image(h.width, h.height);
    for (int64_t r = 0; r < h.height; ++r) {
        int32_t y = image_row(h, r);
        for (int32_t cx = 0; cx < h.width; ++cx)
            image.at(cx, y) = h.palette[indices[size_t(r) * size_t(h.width) + size_t(cx)]];
    }
    return image;
}

// An icon's 1-bit mask after its colour bits: set bits are transparent. A
// 32-bit entry that carries alpha of its own ignores the mask; a missing or
// cut mask leaves the pixels opaque.
void apply_icon_mask(const DibHeader& h, std::span<const uint8_t> bits, DecodedImage& image) {
    if (h.bits_per_pixel == 32) {
        image.find_alpha();
        bool all_transparent = true;
        for (uint32_t p : image.pixels) all_transparent = all_transparent && alpha_of(p) == 0;
        if (image.has_alpha && !all_transparent) return;
        for (uint32_t& p : image.pixels) p |= 0xFF000000;
    }
    size_t colour_bytes = row_stride(h.width, h.bits_per_pixel) * size_t(h.height);
    size_t mask_stride = row_stride(h.width, 1);
    if (bits.size() >= colour_bytes + mask_stride * size_t(h.height)) {
        const uint8_t* mask = bits.data() + colour_bytes;
        for (int32_t r = 0; r < h.height; ++r) {
            const uint8_t* row = mask + mask_stride * size_t(r);
            int32_t y = image_row(h, r);
            for (int32_t x = 0; x < h.width; ++x)
                if (row[x / 8] & (0x80 >> (x % 8))) image.at(x, y) = 0;
        }
    }
    image.find_alpha();
}

}  // namespace

std::optional<DecodedImage> read_dib(std::span<const uint8_t> dib,
                                     std::optional<size_t> bits_offset, DibRole role) {
    auto header = read_header(dib, role);
    if (!header) return std::nullopt;
    size_t start = bits_offset.value_or(header->bits_start);
    if (start > dib.size()) return std::nullopt;
    std::span<const uint8_t> bits = dib.subspan(start);

    std::optional<DecodedImage> image;
    if (header->compression == kRle8 || header->compression == kRle4)
        image = decode_run_length(*header, bits);
    else image = decode_plain(*header, bits, role);
    if (image && role == DibRole::icon) apply_icon_mask(*header, bits, *image);
    if (image && role == DibRole::bitmap) image->find_alpha();
    return image;
}

}  // namespace qinghe::image
