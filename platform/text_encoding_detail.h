// Internals shared by the text_encoding*.cpp files: the charsets converted
// in one direct pass and the two ways of converting.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qinghe::platform::detail {

constexpr char32_t kReplacement = 0xFFFD;

enum class Codec { kUtf8, kUtf16, kGbk, kOther };

// Direct conversion between the codecs above (kOther excluded), in
// text_encoding_direct.cpp. The *_into forms write into room the caller
// keeps: one unit per input byte for units, encoded_room() for bytes.
std::string direct_bytes(std::string_view input, Codec from, Codec to);
size_t direct_bytes_into(std::string_view input, Codec from, Codec to, char* out);
size_t direct_units_into(std::string_view input, Codec from, char16_t* out);
std::u16string direct_units(std::string_view input, Codec from);
size_t encoded_room(std::u16string_view units, Codec to);
size_t direct_from_units_into(std::u16string_view units, Codec to, char* out);
std::string direct_from_units(std::u16string_view units, Codec to);
// GBK written over the units themselves (out <= the first unit's address).
size_t gbk_over_units(std::u16string_view units, char* out);

// Any other charset the system knows, through UTF-32
// (text_encoding_system_posix.cpp: iconv; _windows.cpp: code pages).
std::u32string system_decode(std::string_view input, const char* from);
std::string system_encode(const std::u32string& text, const char* to);

}  // namespace qinghe::platform::detail
