// The input modes of the edit box: which typed characters each accepts,
// and how the text is normalised when the box loses the focus.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe {

namespace InputMode {
inline constexpr int32_t kText = 0;
inline constexpr int32_t kReadOnly = 1;
inline constexpr int32_t kPassword = 2;
inline constexpr int32_t kIntegerText = 3;
inline constexpr int32_t kDecimalText = 4;
inline constexpr int32_t kByte = 5;
inline constexpr int32_t kShort = 6;
inline constexpr int32_t kInteger = 7;
inline constexpr int32_t kLong = 8;
inline constexpr int32_t kFloat = 9;
inline constexpr int32_t kDouble = 10;
inline constexpr int32_t kDateTime = 11;
inline constexpr int32_t kLast = kDateTime;
}  // namespace InputMode

// Whether a typed character (a UTF-16 code) is accepted; control
// characters always are.
bool input_mode_accepts(int32_t mode, uint32_t character);

// The text the box shows after losing the focus in `mode` (GBK in, GBK
// out); modes without normalisation return the text unchanged.
std::string normalised_input(int32_t mode, std::string_view gbk);

// The leading integer of a text: blanks, an optional sign, then digits;
// saturates at the 64-bit range; 0 when there is no number.
int64_t leading_integer(std::string_view text);

// A date and time written as year, month, day and optionally hour, minute
// and second, separated by blanks, "-", "/", ".", ":" or the Chinese date
// words; as days since 30 December 1899. None when it is not a date.
std::optional<double> parse_date_time(std::string_view gbk);

}  // namespace qinghe
