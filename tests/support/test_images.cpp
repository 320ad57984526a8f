#include "support/test_images.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <png.h>

#include <map>

namespace qinghe::image::testing {
namespace {

void put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void put_rgb(Bytes& b, uint32_t argb) {
    b.push_back(uint8_t(argb >> 16));
    b.push_back(uint8_t(argb >> 8));
    b.push_back(uint8_t(argb));
}

size_t stride(int32_t width, int bpp) { return size_t((width * bpp + 31) / 32 * 4); }

Bytes packed_row(const Dib& d, int32_t y) {
    Bytes row(stride(d.width, d.bits_per_pixel), 0);
    for (int32_t x = 0; x < d.width; ++x) {
        uint32_t v = d.values[size_t(y) * d.width + x];
        int bpp = d.bits_per_pixel;
        if (bpp <= 8) {
            size_t bit = size_t(x) * bpp;
            row[bit / 8] |= uint8_t(v << (8 - bpp - bit % 8));
        } else if (bpp == 16) {
            uint32_t p = ((v >> 19 & 31) << 10) | ((v >> 11 & 31) << 5) | (v >> 3 & 31);
            row[x * 2] = uint8_t(p);
            row[x * 2 + 1] = uint8_t(p >> 8);
        } else {
            for (int i = 0; i < bpp / 8; ++i)
                row[size_t(x) * (bpp / 8) + i] = uint8_t(v >> (8 * i));
        }
    }
    return row;
}

// GIF LZW: codes written least significant bit first, the code size growing
// as the decoder's table does, and a clear code when the table is full.
Bytes lzw_encode(const std::vector<uint8_t>& indices, int minimum) {
    Bytes out;
    uint32_t buffer = 0;
    int bits = 0;
    const int clear = 1 << minimum, end = clear + 1;
    int code_size = minimum + 1, next = clear + 2;
    std::map<int, int> table;
    auto emit = [&](int code) {
        buffer |= uint32_t(code) << bits;
        bits += code_size;
        while (bits >= 8) {
            out.push_back(uint8_t(buffer));
            buffer >>= 8;
            bits -= 8;
        }
        if (next >= (1 << code_size) && code_size < 12) ++code_size;
    };
    auto reset = [&] {
        table.clear();
        code_size = minimum + 1;
        next = clear + 2;
    };
    emit(clear);
    int prefix = indices.empty() ? -1 : indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        int key = (prefix << 8) | indices[i];
        auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        table[key] = next++;
        if (next == 4096) {
            emit(clear);
            reset();
        }
        prefix = indices[i];
    }
    if (prefix >= 0) emit(prefix);
    emit(end);
    if (bits > 0) out.push_back(uint8_t(buffer));
    return out;
}

void put_sub_blocks(Bytes& b, const Bytes& data) {
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        b.push_back(uint8_t(n));
        b.insert(b.end(), data.begin() + i, data.begin() + i + n);
    }
    b.push_back(0);
}

// Palette of 2^(n+1) entries, padded with black; returns n.
int put_palette(Bytes& b, const std::vector<uint32_t>& palette) {
    int n = 0;
    while ((2u << n) < palette.size()) ++n;
    for (int i = 0; i < (2 << n); ++i) put_rgb(b, i < int(palette.size()) ? palette[i] : 0);
    return n;
}

std::vector<uint8_t> interlace(const std::vector<uint8_t>& rows_in_order, int width, int height) {
    std::vector<uint8_t> out;
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            out.insert(out.end(), rows_in_order.begin() + y * width,
                       rows_in_order.begin() + (y + 1) * width);
    return out;
}

}  // namespace

Bytes dib_bytes(const Dib& d, bool icon) {
    Bytes b;
    put32(b, 40);
    put32(b, uint32_t(d.width));
    put32(b, uint32_t(icon ? d.height * 2 : d.height));
    put16(b, 1);
    put16(b, uint32_t(d.bits_per_pixel));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, uint32_t(d.palette.size()));
    put32(b, 0);
    for (uint32_t c : d.palette) put32(b, c & 0xFFFFFF);
    for (int32_t y = d.height - 1; y >= 0; --y) {
        Bytes row = packed_row(d, y);
        b.insert(b.end(), row.begin(), row.end());
    }
    if (icon) {
        for (int32_t y = d.height - 1; y >= 0; --y) {
            Bytes row(stride(d.width, 1), 0);
            for (int32_t x = 0; x < d.width; ++x)
                if (!d.mask.empty() && d.mask[size_t(y) * d.width + x])
                    row[x / 8] |= uint8_t(0x80 >> (x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
    }
    return b;
}

Bytes bmp_file(const Dib& d) {
    Bytes dib = dib_bytes(d, false);
    Bytes b = {'B', 'M'};
    put32(b, uint32_t(14 + dib.size()));
    put32(b, 0);
    put32(b, uint32_t(14 + 40 + 4 * d.palette.size()));
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

Bytes icon_file(uint16_t type, const std::vector<IconEntry>& entries) {
    Bytes b;
    put16(b, 0);
    put16(b, type);
    put16(b, uint32_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const IconEntry& e : entries) {
        b.push_back(e.width);
        b.push_back(e.width);
        b.push_back(e.colour_count);
        b.push_back(0);
        put16(b, 1);
        put16(b, e.bit_count);
        put32(b, uint32_t(e.image.size()));
        put32(b, offset);
        offset += uint32_t(e.image.size());
    }
    for (const IconEntry& e : entries) b.insert(b.end(), e.image.begin(), e.image.end());
    return b;
}

Bytes gif_file(uint16_t width, uint16_t height, const std::vector<uint32_t>& palette,
               const std::vector<GifTestFrame>& frames) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    put16(b, width);
    put16(b, height);
    Bytes table;
    int size_bits = put_palette(table, palette);
    b.push_back(uint8_t(0x80 | size_bits));
    b.push_back(0);
    b.push_back(0);
    b.insert(b.end(), table.begin(), table.end());
    for (const GifTestFrame& f : frames) {
        b.insert(b.end(), {0x21, 0xF9, 4});
        b.push_back(uint8_t((f.disposal << 2) | (f.transparent_index >= 0 ? 1 : 0)));
        put16(b, f.delay);
        b.push_back(uint8_t(f.transparent_index >= 0 ? f.transparent_index : 0));
        b.push_back(0);
        b.push_back(0x2C);
        put16(b, f.left);
        put16(b, f.top);
        put16(b, f.width);
        put16(b, f.height);
        Bytes local;
        int local_bits = f.local_palette.empty() ? 0 : put_palette(local, f.local_palette);
        b.push_back(
            uint8_t((f.local_palette.empty() ? 0 : 0x80 | local_bits) | (f.interlaced ? 0x40 : 0)));
        b.insert(b.end(), local.begin(), local.end());
        b.push_back(8);
        put_sub_blocks(
            b, lzw_encode(f.interlaced ? interlace(f.indices, f.width, f.height) : f.indices, 8));
    }
    b.push_back(0x3B);
    return b;
}

Bytes pcx_file(int32_t width, int32_t height, int bpp, const std::vector<uint8_t>& values,
               const std::vector<uint32_t>& palette) {
    Bytes b(128, 0);
    b[0] = 0x0A;
    b[1] = bpp == 8 ? 5 : 3;
    b[2] = 1;
    b[3] = uint8_t(bpp);
    b[8] = uint8_t(width - 1);
    b[9] = uint8_t((width - 1) >> 8);
    b[10] = uint8_t(height - 1);
    b[11] = uint8_t((height - 1) >> 8);
    b[65] = 1;
    size_t line_bytes = (size_t(width) * bpp + 15) / 16 * 2;
    b[66] = uint8_t(line_bytes);
    b[67] = uint8_t(line_bytes >> 8);
    for (int32_t y = 0; y < height; ++y) {
        Bytes line(line_bytes, 0);
        for (int32_t x = 0; x < width; ++x) {
            uint8_t v = values[size_t(y) * width + x];
            if (bpp == 8) line[x] = v;
            else if (v) line[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        for (size_t i = 0; i < line.size();) {
            size_t run = 1;
            while (i + run < line.size() && line[i + run] == line[i] && run < 63) ++run;
            if (run > 1 || (line[i] & 0xC0) == 0xC0) b.push_back(uint8_t(0xC0 | run));
            b.push_back(line[i]);
            i += run;
        }
    }
    if (bpp == 8) {
        b.push_back(0x0C);
        for (int i = 0; i < 256; ++i) put_rgb(b, i < int(palette.size()) ? palette[i] : 0);
    }
    return b;
}

Bytes png_file(int32_t width, int32_t height, const std::vector<uint32_t>& argb_pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes out;
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, uint32_t(width), uint32_t(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t(width) * 4);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint32_t p = argb_pixels[size_t(y) * width + x];
            uint8_t rgba[4] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)};
            std::copy(rgba, rgba + 4, &row[size_t(x) * 4]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes jpeg_file(int32_t width, int32_t height, const std::vector<uint32_t>& argb_pixels) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (int32_t x = 0; x < width; ++x) {
            uint32_t p = argb_pixels[size_t(info.next_scanline) * width + x];
            row[x * 3] = uint8_t(p >> 16);
            row[x * 3 + 1] = uint8_t(p >> 8);
            row[x * 3 + 2] = uint8_t(p);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

}  // namespace qinghe::image::testing
