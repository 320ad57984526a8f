// The 60-byte font record stored in font properties, in the platform's
// logical-font layout: height (negative = character height in pixels),
// width, escapement, orientation, weight, then the italic, underline,
// strike-out, character set, output precision, clip precision, quality
// and pitch-and-family bytes, then a 32-byte zero-terminated GBK face name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe {

struct FontRecord {
    static constexpr size_t kSize = 60;
    static constexpr size_t kFaceSize = 32;
    static constexpr uint8_t kCharsetGb2312 = 134;

    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strike_out = 0;
    uint8_t charset = kCharsetGb2312;
    uint8_t out_precision = 0;
    uint8_t clip_precision = 0;
    uint8_t quality = 0;
    uint8_t pitch_and_family = 0;
    std::string face;  // GBK, at most 31 bytes

    // A record of a character height in pixels (stored negative) and weight.
    static FontRecord of(std::string_view face, int32_t pixel_height, int32_t weight);
    bool bold() const { return weight >= 700; }
    int32_t pixel_height() const { return height < 0 ? -height : height; }
};

// The record from property bytes; none unless exactly 60 bytes.
std::optional<FontRecord> decode_font_record(std::string_view bytes);
// 60 bytes; a face name longer than 31 bytes is cut.
std::string encode_font_record(const FontRecord& font);

}  // namespace qinghe
