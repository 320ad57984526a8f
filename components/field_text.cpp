#include "components/field_text.h"

#include <algorithm>

#include "components/qt_text.h"

namespace qinghe {

QString FieldText::to_field(const std::string& gbk) const {
    QString text = qt_text(gbk);
    if (multi_line_)
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string FieldText::to_gbk(const QString& text) const {
    QString out = text;
    if (multi_line_)
        out.replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
            .replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return gbk_text(out);
}

// GBK takes one byte for ASCII and two for the other characters; a line
// break of a multi-line box is CR LF.
int32_t FieldText::byte_width(QChar c) const {
    return c.unicode() < 0x80 && !(multi_line_ && c == QLatin1Char('\n')) ? 1 : 2;
}

int32_t FieldText::byte_offset(const QString& text, int32_t index) const {
    int32_t bytes = 0;
    for (int32_t i = 0; i < std::min<int32_t>(index, int32_t(text.size())); ++i)
        bytes += byte_width(text[i]);
    return bytes;
}

int32_t FieldText::char_index(const QString& text, int32_t bytes) const {
    int32_t i = 0;
    for (int32_t used = 0; i < int32_t(text.size()); ++i) {
        used += byte_width(text[i]);
        if (used > bytes) break;
    }
    return i;
}

}  // namespace qinghe
