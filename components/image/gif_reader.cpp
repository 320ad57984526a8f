#include "components/image/gif_reader.h"

#include <array>
#include <cstring>

#include "components/image/byte_reader.h"
#include "components/image/gif_canvas.h"

namespace qinghe::image {
namespace {

constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kGraphicControl = 0xF9;
constexpr int kMaxCodes = 4096;

using Palette = std::array<uint32_t, 256>;

// A colour table of 2^(size+1) entries; entries it does not fill are black.
bool read_palette(ByteReader& in, int size_bits, Palette& palette) {
    palette.fill(argb(0, 0, 0));
    int entries = 1 << (size_bits + 1);
    auto table = in.bytes(size_t(entries) * 3);
    if (!in.ok()) return false;
    for (int i = 0; i < entries; ++i)
        palette[i] = argb(table[i * 3], table[i * 3 + 1], table[i * 3 + 2]);
    return true;
}

// Sub-blocks up to the zero terminator, concatenated. False when the data runs out first.
bool read_sub_blocks(ByteReader& in, std::vector<uint8_t>* out) {
    while (true) {
        uint8_t length = in.u8();
        if (!in.ok()) return false;
        if (length == 0) return true;
        auto block = in.bytes(length);
        if (!in.ok()) return false;
        if (out) out->insert(out->end(), block.begin(), block.end());
    }
}

// Decodes LZW data into at most `count` colour indices; stops at the end
// code, at an invalid code or when the data runs out. Returns the indices.
std::vector<uint8_t> decode_lzw(const std::vector<uint8_t>& data, int minimum_code_size,
                                size_t count) {
    std::vector<uint8_t> out;
    out.reserve(count);
    const int clear = 1 << minimum_code_size;
    const int end = clear + 1;
    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint8_t, kMaxCodes> suffix{};
    std::array<uint8_t, kMaxCodes> first{};  // first index of each code's string
    std::array<uint8_t, kMaxCodes> stack{};
    for (int i = 0; i < clear; ++i) suffix[i] = first[i] = uint8_t(i);

    int code_size = minimum_code_size + 1;
    int next = clear + 2;
    int previous = -1;
    uint32_t bit_buffer = 0;
    int bit_count = 0;
    size_t position = 0;
    while (out.size() < count) {
        while (bit_count < code_size && position < data.size()) {
            bit_buffer |= uint32_t(data[position++]) << bit_count;
            bit_count += 8;
        }
        if (bit_count < code_size) break;
        int code = int(bit_buffer & ((1u << code_size) - 1));
        bit_buffer >>= code_size;
        bit_count -= code_size;

        if (code == clear) {
            code_size = minimum_code_size + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) break;
        if (previous == -1) {
            if (code >= clear) break;
            out.push_back(uint8_t(code));
            previous = code;
            continue;
        }
        int string_code;
        if (code < next) {
            string_code = code;
        } else if (code == next && next < kMaxCodes) {
            string_code = previous;
        } else {
            break;
        }
        if (next < kMaxCodes) {
            prefix[next] = uint16_t(previous);
            suffix[next] = first[string_code];
            first[next] = first[previous];
            ++next;
            if (next == (1 << code_size) && code_size < 12) ++code_size;
        }
        // Unwind the string of `code` (now always in the table) onto the
        // stack; every prefix is smaller than its code, so this ends.
        int depth = 0;
        int c = code;
        for (; c >= clear + 2; c = prefix[c]) stack[depth++] = suffix[c];
        stack[depth++] = uint8_t(c);
        while (depth > 0 && out.size() < count) out.push_back(stack[--depth]);
        previous = code;
    }
    return out;
}

struct GraphicControl {
    int32_t disposal = 0;
    bool transparent = false;
    uint8_t transparent_index = 0;
    int32_t delay = 0;
};

void read_graphic_control(ByteReader& in, GraphicControl& control, bool& intact) {
    std::vector<uint8_t> body;
    intact = read_sub_blocks(in, &body);
    if (!intact || body.size() < 4) return;
    control.disposal = (body[0] >> 2) & 7;
    control.transparent = body[0] & 1;
    control.delay = body[1] | (body[2] << 8);
    control.transparent_index = body[3];
}

// Row order of an interlaced frame: every 8th row from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
std::vector<int32_t> interlaced_rows(int32_t height) {
    std::vector<int32_t> rows;
    rows.reserve(size_t(height));
    const int32_t starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int32_t y = starts[pass]; y < height; y += steps[pass]) rows.push_back(y);
    return rows;
}

// One image descriptor and its data. False when the block structure is
// broken (the walk ends); a frame is still appended when its descriptor was whole.
bool read_frame(ByteReader& in, const Palette& global, const GraphicControl& control,
                int64_t& budget, std::vector<GifFrame>& frames) {
    GifFrame frame;
    frame.left = in.u16();
    frame.top = in.u16();
    frame.width = in.u16();
    frame.height = in.u16();
    uint8_t flags = in.u8();
    if (!in.ok()) return false;
    Palette palette = global;
    if ((flags & 0x80) && !read_palette(in, flags & 7, palette)) return false;
    int minimum_code_size = in.u8();
    std::vector<uint8_t> data;
    bool intact = in.ok() && read_sub_blocks(in, &data);
    if (!in.ok() && data.empty()) return false;
    if (frame.width == 0 || frame.height == 0) return intact;
    if (minimum_code_size < 1 || minimum_code_size > 8) return false;
    if (!fits_budget(frame.width, frame.height, budget)) return false;
    budget -= int64_t(frame.width) * frame.height;

    size_t count = size_t(frame.width) * size_t(frame.height);
    std::vector<uint8_t> indices = decode_lzw(data, minimum_code_size, count);
    frame.delay_centiseconds = control.delay;
    frame.disposal = control.disposal;
    frame.transparent = control.transparent;
    frame.pixels.assign(count, 0);  // pixels the data never reaches stay transparent
    std::vector<int32_t> rows =
        (flags & 0x40) ? interlaced_rows(frame.height) : std::vector<int32_t>();
    for (size_t i = 0; i < indices.size(); ++i) {
        size_t row = i / size_t(frame.width), column = i % size_t(frame.width);
        size_t y = rows.empty() ? row : size_t(rows[row]);
        bool clear = control.transparent && indices[i] == control.transparent_index;
        frame.pixels[y * size_t(frame.width) + column] = clear ? 0 : palette[indices[i]];
    }
    frames.push_back(std::move(frame));
    return intact;
}

}  // namespace

std::optional<GifAnimation> read_gif(std::span<const uint8_t> bytes) {
    if (bytes.size() < 6 || (std::memcmp(bytes.data(), "GIF87a", 6) != 0 &&
                             std::memcmp(bytes.data(), "GIF89a", 6) != 0))
        return std::nullopt;
    ByteReader in(bytes, 6);
    GifAnimation animation;
    animation.width = in.u16();
    animation.height = in.u16();
    uint8_t flags = in.u8();
    in.skip(2);  // background index, aspect ratio
    if (!in.ok() || !fits_budget(animation.width, animation.height)) return std::nullopt;
    Palette global;
    global.fill(argb(0, 0, 0));
    if ((flags & 0x80) && !read_palette(in, flags & 7, global)) return std::nullopt;

    int64_t budget = kMaxDecodedPixels - int64_t(animation.width) * animation.height;
    GraphicControl control;
    bool walking = true;
    while (walking) {
        uint8_t block = in.u8();
        if (!in.ok()) break;
        if (block == kImage) {
            walking = read_frame(in, global, control, budget, animation.frames);
        } else if (block == kExtension) {
            uint8_t label = in.u8();
            if (label == kGraphicControl) read_graphic_control(in, control, walking);
            else walking = read_sub_blocks(in, nullptr);
        } else {
            walking = false;  // trailer, zero byte or an unknown block
        }
    }
    if (animation.frames.empty()) return std::nullopt;
    return animation;
}

std::optional<DecodedImage> read_gif_still(std::span<const uint8_t> bytes) {
    auto animation = read_gif(bytes);
    if (!animation) return std::nullopt;
    GifCanvas canvas(animation->width, animation->height, 0);
    canvas.draw(animation->frames.front());
    DecodedImage image = canvas.image();
    image.find_alpha();
    return image;
}

}  // namespace qinghe::image
