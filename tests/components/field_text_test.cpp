#include <gtest/gtest.h>

#include "components/field_text.h"

namespace qinghe {
namespace {

// 中 is two GBK bytes; a line break of a multi-line field is CR LF (two).
TEST(FieldText, OffsetsBetweenCharactersAndGbkBytes) {
    struct Row {
        const char* label;
        bool multi_line;
        const char16_t* text;
        int32_t chars;
        int32_t bytes;
    };
    for (Row r : {Row{"ascii", false, u"abc", 2, 2}, Row{"past the end", false, u"abc", 9, 3},
                  Row{"wide", false, u"a中b", 2, 3}, Row{"break, one line", false, u"a\nb", 2, 2},
                  Row{"break, multi-line", true, u"a\nb", 2, 3}, Row{"empty", true, u"", 0, 0}}) {
        const FieldText t(r.multi_line);
        const QString text = QString::fromUtf16(r.text);
        EXPECT_EQ(t.byte_offset(text, r.chars), r.bytes) << r.label;
        EXPECT_EQ(t.char_index(text, r.bytes), std::min<int32_t>(r.chars, int32_t(text.size())))
            << r.label;
    }
    // An offset inside a two-byte character gives the character's start.
    EXPECT_EQ(FieldText(false).char_index(QString::fromUtf16(u"a中b"), 2), 1);
}

TEST(FieldText, MultiLineTextsUseCrLfInGbkAndNewLinesInTheField) {
    const FieldText multi(true), single(false);
    EXPECT_EQ(multi.to_field("a\r\nb\rc"), QString("a\nb\nc"));
    EXPECT_EQ(multi.to_gbk(QString("a\nb")), "a\r\nb");
    EXPECT_EQ(multi.to_gbk(QString("a") + QChar(QChar::ParagraphSeparator) + "b"), "a\r\nb");
    EXPECT_EQ(single.to_field("a\r\nb"), QString("a\r\nb"));
    EXPECT_EQ(single.to_gbk(QString("a\nb")), "a\nb");
    EXPECT_EQ(multi.to_gbk(QString::fromUtf16(u"中")), "\xD6\xD0");
}

}  // namespace
}  // namespace qinghe
