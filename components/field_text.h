// Texts between an edit box's field (UTF-16, lines split by "\n") and its
// properties (GBK, lines split by CR LF), and offsets between characters
// of the field and GBK bytes of the properties.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace qinghe {

class FieldText {
public:
    explicit FieldText(bool multi_line) : multi_line_(multi_line) {}

    QString to_field(const std::string& gbk) const;
    std::string to_gbk(const QString& text) const;
    // The bytes that the first `index` characters of `text` take.
    int32_t byte_offset(const QString& text, int32_t index) const;
    // The character at a byte offset; an offset inside a character gives its start.
    int32_t char_index(const QString& text, int32_t bytes) const;

private:
    int32_t byte_width(QChar c) const;

    bool multi_line_;
};

}  // namespace qinghe
