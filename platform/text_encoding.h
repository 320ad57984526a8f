// Conversion between the program's GBK texts and other encodings, through
// iconv. Conversion never fails as a whole: malformed input bytes become
// U+FFFD (or '?' where the target cannot hold it) and a character the
// target cannot hold becomes '?'.
#pragma once

#include <string>
#include <string_view>

namespace qinghe::platform {

// Charset names as iconv knows them ("GBK", "UTF-8", "UTF-16LE", ...).
std::string convert_text(std::string_view input, const char* from, const char* to);

std::string gbk_from_utf8(std::string_view utf8);
std::string utf8_from_gbk(std::string_view gbk);
std::u16string utf16_from_gbk(std::string_view gbk);
std::string gbk_from_utf16(std::u16string_view utf16);

}  // namespace qinghe::platform
