#include "analysis/sources/url_encoding.h"

#include "analysis/app_texts.h"

namespace qinghe::app {
namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string percent_encoded(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (unreserved(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

std::string fund_page_url(const char* base_url, const char* code) {
    return std::string(base_url ? base_url : "") + percent_encoded(code ? code : "") +
           app_text(AppText::page_suffix);
}

}  // namespace qinghe::app
