// Charset conversion of a downloaded page in one pass: the bytes are
// decoded and written as the target charset straight into the new byte
// set. It answers what the stream object answers for the same bytes
// written in binary and read back as text: a leading byte-order mark is no
// part of the text, the text ends at its first zero character, malformed
// bytes and characters the target cannot hold become "?".
#pragma once

#include <string_view>

#include "runtime/values.h"

namespace qinghe {

// A new byte set owned by the caller; the empty byte set (null) when the
// input is empty, a charset is unknown (charsets are named as the stream
// object names them: "utf-8", "gb2312", "unicode", ...) or no text is left.
ByteSet* convert_charset(const ByteSet* bytes, const char* from, const char* to);
// The same conversion to the program's charset ("gb2312") as a new text:
// the bytes of convert_charset, without a byte set and its copy between.
char* program_text(std::string_view bytes, const char* from);
// The same for a piece cut from inside a text: a byte-order mark at its
// start is a character of the text, not a mark.
char* program_text_of_piece(std::string_view bytes, const char* from);

}  // namespace qinghe
