// Font property fields written and read by element index.
#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "runtime/font_fields.h"

namespace qinghe {
namespace {

TEST(FontFields, WritesAreNormalisedAndReadBack) {
    struct Row {
        int32_t index, written, stored_read;
    };
    const Row rows[] = {{FontField::kEscapement, -10, 3590},
                        {FontField::kEscapement, 7300, 100},
                        {FontField::kBold, 5, 1},
                        {FontField::kBold, 0, 0},
                        {FontField::kItalic, 9, 1},
                        {FontField::kUnderline, 1, 1},
                        {FontField::kStrikeOut, 1, 1},
                        {FontField::kSize, 12, 12}};
    for (const Row& r : rows) {
        FontRecord font = default_gui_font_record();
        set_font_field(font, r.index, r.written);
        EXPECT_EQ(font_field(font, r.index), r.stored_read) << r.index << " <- " << r.written;
    }
    FontRecord font = default_gui_font_record();
    set_font_field(font, FontField::kBold, 1);
    EXPECT_EQ(font.weight, 700);
    set_font_field(font, FontField::kSize, 12);
    EXPECT_EQ(font.height, -12 * screen_dots_per_inch() / 72);
}

TEST(FontFields, FaceNamesOutsideOneToThirtyOneBytesBecomeSong) {
    const std::string song = platform::gbk_from_utf8("宋体");
    FontRecord font = default_gui_font_record();
    EXPECT_EQ(font.face, song);
    set_font_face(font, platform::gbk_from_utf8("微软雅黑"));
    EXPECT_EQ(font.face, platform::gbk_from_utf8("微软雅黑"));
    set_font_face(font, std::string(32, 'x'));
    EXPECT_EQ(font.face, song);
    set_font_face(font, "");
    EXPECT_EQ(font.face, song);
    FontFields whole{0, 1, 0, 1, 0, 20, "Arial"};
    set_font_fields(font, whole);
    EXPECT_EQ(font.face, "Arial");
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.underline, 1);
}

}  // namespace
}  // namespace qinghe
