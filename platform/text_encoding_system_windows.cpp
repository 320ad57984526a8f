// Charsets other than UTF-8, UTF-16LE and GBK on Windows: the system's code
// pages (MultiByteToWideChar and back); UTF-16 and UTF-32LE, which pass
// through here on their way to and from those, are done here.
#include <windows.h>

#include <cstring>
#include <string_view>

#include "platform/ascii_case.h"
#include "platform/text_encoding_detail.h"

namespace qinghe::platform::detail {
namespace {

constexpr UINT kNoCodePage = 0;
constexpr UINT kGb18030 = 54936;

struct CodePageName {
    const char* name;
    UINT code_page;
};

constexpr CodePageName kCodePages[] = {
    {"GB18030", kGb18030}, {"BIG5", 950},     {"ASCII", 20127}, {"US-ASCII", 20127},
    {"ISO-8859-1", 28591}, {"LATIN1", 28591}, {"CP1252", 1252}, {"WINDOWS-1252", 1252},
    {"GB2312", 936},       {"CP936", 936},    {"GBK", 936},     {"UTF-8", CP_UTF8},
};

// A system without the GB18030 code page (Wine has none) reads and writes
// its one- and two-byte part, which is GBK.
UINT code_page_of(std::string_view name) {
    for (const CodePageName& c : kCodePages) {
        if (!ascii::equal_ignoring_case(c.name, name)) continue;
        if (c.code_page == kGb18030 && !IsValidCodePage(kGb18030)) return 936;
        return c.code_page;
    }
    return kNoCodePage;
}

void append_units(std::u32string& out, std::u16string_view units) {
    for (size_t i = 0; i < units.size(); ++i) {
        const char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            out.push_back(0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00));
        } else {
            out.push_back(c >= 0xD800 && c < 0xE000 ? kReplacement : c);
        }
    }
}

std::u32string decode_utf16(std::string_view input, bool big_endian) {
    std::u16string units(input.size() / 2, u'\0');
    const size_t high = big_endian ? 0 : 1;
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t((uint8_t(input[2 * i + high]) << 8) | uint8_t(input[2 * i + 1 - high]));
    std::u32string out;
    append_units(out, units);
    if (input.size() % 2) out.push_back(kReplacement);
    return out;
}

std::u32string decode_utf32le(std::string_view input) {
    std::u32string out(input.size() / 4, U'\0');
    std::memcpy(out.data(), input.data(), out.size() * 4);
    for (char32_t& c : out)
        if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = kReplacement;
    if (input.size() % 4) out.push_back(kReplacement);
    return out;
}

std::u16string units_of(const std::u32string& text) {
    std::u16string units;
    for (char32_t c : text) {
        if (c >= 0x10000) {
            units.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(char16_t(c));
        }
    }
    return units;
}

}  // namespace

std::u32string system_decode(std::string_view input, const char* from) {
    if (ascii::equal_ignoring_case(from, "UTF-16BE")) return decode_utf16(input, true);
    if (ascii::equal_ignoring_case(from, "UTF-16LE")) return decode_utf16(input, false);
    if (ascii::equal_ignoring_case(from, "UTF-32LE")) return decode_utf32le(input);
    const UINT code_page = code_page_of(from);
    if (code_page == kNoCodePage || input.empty()) return {};
    const int count =
        MultiByteToWideChar(code_page, 0, input.data(), int(input.size()), nullptr, 0);
    std::wstring wide(size_t(count), L'\0');
    MultiByteToWideChar(code_page, 0, input.data(), int(input.size()), wide.data(), count);
    std::u32string out;
    append_units(out, {reinterpret_cast<const char16_t*>(wide.data()), wide.size()});
    return out;
}

std::string system_encode(const std::u32string& text, const char* to) {
    std::string out;
    if (ascii::equal_ignoring_case(to, "UTF-32LE")) {
        out.resize(text.size() * 4);
        std::memcpy(out.data(), text.data(), out.size());
        return out;
    }
    const std::u16string units = units_of(text);
    const bool big_endian = ascii::equal_ignoring_case(to, "UTF-16BE");
    if (big_endian || ascii::equal_ignoring_case(to, "UTF-16LE")) {
        for (char16_t u : units) {
            out.push_back(char(big_endian ? u >> 8 : u & 0xFF));
            out.push_back(char(big_endian ? u & 0xFF : u >> 8));
        }
        return out;
    }
    const UINT code_page = code_page_of(to);
    if (code_page == kNoCodePage || units.empty()) return out;
    const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
    // Each character the code page cannot hold becomes '?', as elsewhere;
    // GB18030 and UTF-8 hold every character and take no default.
    const char* missing = code_page == kGb18030 || code_page == CP_UTF8 ? nullptr : "?";
    const int count =
        WideCharToMultiByte(code_page, 0, wide, int(units.size()), nullptr, 0, missing, nullptr);
    out.resize(size_t(count));
    WideCharToMultiByte(code_page, 0, wide, int(units.size()), out.data(), count, missing, nullptr);
    return out;
}

}  // namespace qinghe::platform::detail
