// Conversion between the program's GBK texts and other encodings.
// Conversion never fails as a whole: malformed input bytes become U+FFFD
// (or '?' where the target cannot hold it) and a character the target
// cannot hold becomes '?'. UTF-8, UTF-16LE and GBK convert in one direct
// pass (GBK through tables compiled in at build time); other charsets go
// through the system (iconv; code pages on Windows) with the same results.
#pragma once

#include <string>
#include <string_view>

namespace qinghe::platform {

// Charset names as iconv knows them ("GBK", "UTF-8", "UTF-16LE", ...).
std::string convert_text(std::string_view input, const char* from, const char* to);
// The same with UTF-16 units on one side.
std::u16string utf16_from_text(std::string_view input, const char* from);
std::string text_from_utf16(std::u16string_view units, const char* to);

std::string gbk_from_utf8(std::string_view utf8);
std::string utf8_from_gbk(std::string_view gbk);
std::u16string utf16_from_gbk(std::string_view gbk);
std::string gbk_from_utf16(std::u16string_view utf16);

// The same into storage the caller provides, for page-sized texts that go
// straight into their final block: no intermediate, no zero-filling, no
// counting pass (callers take the worst case and give back the rest). Each
// returns the units or bytes written. A decode writes at most one unit per
// input byte; a GBK encode at most kGbkBytesPerUnit bytes per unit.
inline constexpr size_t kGbkBytesPerUnit = 2;
size_t utf16_into(std::string_view input, const char* from, char16_t* out);
size_t gbk_into(std::u16string_view units, char* out);
// Text in any charset straight to GBK, at most kGbkBytesPerUnit bytes per
// input byte (every character takes at least one input byte). From GBK it
// gives what a round trip through UTF-16 gives: malformed bytes become '?'.
size_t gbk_from_text_into(std::string_view input, const char* from, char* out);
// GBK written over the units' own storage: `out` may be the address of the
// first unit or lie before it (by any amount), never after it.
size_t gbk_over(std::u16string_view units, char* out);

}  // namespace qinghe::platform
