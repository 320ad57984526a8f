#include "analysis/sources/link_resolution.h"

#include "platform/ascii_case.h"
#include <algorithm>
#include <cctype>

namespace qinghe::app {
namespace {

// A scheme: letters, digits, '+', '-', '.' before the first ':'.
bool has_scheme(std::string_view link) {
    size_t colon = link.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    if (!std::isalpha(static_cast<unsigned char>(link[0]))) return false;
    return std::all_of(link.begin(), link.begin() + long(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

}  // namespace

bool is_web_address(std::string_view link) {
    return ascii::starts_with_ignoring_case(link, "http://") ||
           ascii::starts_with_ignoring_case(link, "https://");
}

std::string resolve_link(std::string_view link, std::string_view page_url) {
    if (link.empty() || has_scheme(link) || !has_scheme(page_url)) return std::string(link);
    size_t scheme_end = page_url.find(':');
    std::string_view scheme = page_url.substr(0, scheme_end + 1);  // "http:"
    if (link.substr(0, 2) == "//") return std::string(scheme) + std::string(link);

    size_t host_start =
        page_url.substr(scheme_end + 1, 2) == "//" ? scheme_end + 3 : scheme_end + 1;
    size_t path_start = page_url.find_first_of("/?#", host_start);
    std::string_view origin = page_url.substr(0, path_start);
    if (link[0] == '/') return std::string(origin) + std::string(link);

    std::string_view path =
        path_start == std::string_view::npos ? "/" : page_url.substr(path_start);
    path = path.substr(0, path.find_first_of("?#"));
    std::string_view directory = path.substr(0, path.rfind('/') + 1);
    if (directory.empty()) directory = "/";
    return std::string(origin) + std::string(directory) + std::string(link);
}

}  // namespace qinghe::app
