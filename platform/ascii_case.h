// ASCII case folding: A-Z to a-z and every other byte as it is, whatever the
// process locale. GBK bytes (0x80 and up) are never folded, so a GBK text
// compares the same way. Section and key names, URL schemes, charset names,
// module file names and class identifiers compare this way.
#pragma once

#include <algorithm>
#include <string_view>

namespace qinghe::ascii {

constexpr char fold(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

constexpr bool same_folded(char a, char b) { return fold(a) == fold(b); }

constexpr bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), same_folded);
}

constexpr bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace qinghe::ascii
