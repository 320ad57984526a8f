#include "analysis/sources/character_references.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

struct NamedReference {
    std::string_view name;  // with its ";" unless a legacy name
    std::string_view utf8;
};

// Sorted by name, byte order.
constexpr NamedReference kNamed[] = {
#include "html_named_references.inc"
};

// The longest name, ";" included ("CounterClockwiseContourIntegral;").
constexpr size_t kLongestName = 32;
constexpr char32_t kReplacement = 0xFFFD;
constexpr uint32_t kBeyondUnicode = 0x110000;

// What HTML makes of the numbers 128-159: windows-1252's characters there,
// 0 where it keeps the number.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool is_ascii_alnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int digit_value(char c, int base) {
    int value = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : 99;
    return value < base ? value : -1;
}

std::string utf8_of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

char32_t numbered_character(uint32_t number) {
    if (number == 0 || number >= kBeyondUnicode || (number >= 0xD800 && number <= 0xDFFF))
        return kReplacement;
    if (number >= 0x80 && number <= 0x9F && kWindows1252[number - 0x80])
        return kWindows1252[number - 0x80];
    return number;
}

// At `at`, just after "&#": the character of the number there, `at` moved
// past it; false when no digit follows.
bool read_number(std::string_view text, size_t& at, char32_t& character) {
    size_t i = at;
    const int base = i < text.size() && (text[i] == 'x' || text[i] == 'X') ? 16 : 10;
    if (base == 16) ++i;
    const size_t first_digit = i;
    uint32_t number = 0;
    for (int digit; i < text.size() && (digit = digit_value(text[i], base)) >= 0; ++i)
        number = uint32_t(std::min<uint64_t>(uint64_t(number) * base + digit, kBeyondUnicode));
    if (i == first_digit) return false;
    at = i < text.size() && text[i] == ';' ? i + 1 : i;
    character = numbered_character(number);
    return true;
}

std::string_view named_utf8(std::string_view name) {
    const NamedReference* end = std::end(kNamed);
    const NamedReference* found = std::lower_bound(
        std::begin(kNamed), end, name,
        [](const NamedReference& row, std::string_view key) { return row.name < key; });
    return found != end && found->name == name ? found->utf8 : std::string_view();
}

// At `at`, just after "&": the UTF-8 of the named reference there, `at`
// moved past it; empty when there is none.
std::string_view read_name(std::string_view text, size_t& at) {
    size_t end = at;
    while (end < text.size() && end - at < kLongestName && is_ascii_alnum(text[end])) ++end;
    const std::string_view name = text.substr(at, end - at);
    if (end < text.size() && text[end] == ';') {
        const std::string_view utf8 = named_utf8(std::string(name) + ';');
        if (!utf8.empty()) at = end + 1;
        return utf8;
    }
    if (end < text.size() && (text[end] == '=' || is_ascii_alnum(text[end]))) return {};
    const std::string_view utf8 = named_utf8(name);  // a legacy name without its ";"
    if (!utf8.empty()) at = end;
    return utf8;
}

// The reference at `at`, just after "&", as program text, `at` moved past
// it; "&" when there is none.
std::string reference_at(std::string_view text, size_t& at) {
    if (at < text.size() && text[at] == '#') {
        size_t after = at + 1;
        char32_t character = 0;
        if (!read_number(text, after, character)) return "&";
        at = after;
        return platform::gbk_from_utf8(utf8_of(character));
    }
    const std::string_view utf8 = read_name(text, at);
    return utf8.empty() ? "&" : platform::gbk_from_utf8(utf8);
}

}  // namespace

std::string decode_character_references(std::string_view text) {
    // "&" is never the second byte of a GBK character: a byte search finds
    // only the character itself, and the ASCII after it starts characters.
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    for (size_t amp; (amp = text.find('&', at)) != std::string_view::npos;) {
        out.append(text, at, amp - at);
        at = amp + 1;
        out += reference_at(text, at);
    }
    out.append(text, at);
    return out;
}

std::string name_text(std::string_view text) {
    std::string name = decode_character_references(text);
    // GBK's trail bytes start at 0x40: a zero byte is a NUL character.
    std::replace(name.begin(), name.end(), '\0', ' ');
    return name;
}

}  // namespace qinghe::app
