// Field access to font properties by element index: 0 escapement and
// orientation, 1 bold, 2 italic, 3 underline, 4 strike-out, 5 size in
// points, 6 face name; index -1 writes a whole FontFields record.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/font_record.h"

namespace qinghe {

namespace FontField {
inline constexpr int32_t kEscapement = 0;
inline constexpr int32_t kBold = 1;
inline constexpr int32_t kItalic = 2;
inline constexpr int32_t kUnderline = 3;
inline constexpr int32_t kStrikeOut = 4;
inline constexpr int32_t kSize = 5;
inline constexpr int32_t kFace = 6;
}  // namespace FontField

// The whole-record write (element index -1).
struct FontFields {
    int32_t escapement;
    int32_t bold;
    int32_t italic;
    int32_t underline;
    int32_t strike_out;
    int32_t size;
    const char* face;
};

inline constexpr int32_t kBoldWeight = 700;

// Vertical resolution of the screen for point sizes; 96 without a screen.
int32_t screen_dots_per_inch();
// The default GUI font: "宋体", 9 points: the start of a font without a record.
FontRecord default_gui_font_record();

void set_font_field(FontRecord& record, int32_t index, int32_t value);
// 1-31 bytes, otherwise "宋体".
void set_font_face(FontRecord& record, std::string_view gbk);
int32_t font_field(const FontRecord& record, int32_t index);
void set_font_fields(FontRecord& record, const FontFields& fields);

}  // namespace qinghe
