// Putting untrusted text into a URL.
#pragma once

#include <string>
#include <string_view>

namespace qinghe::app {

// Every byte outside the unreserved URL characters (letters, digits, "-",
// ".", "_", "~") as %XX, so the text stays one path segment: "/", "?", "#"
// and "%" cannot start a segment, a query, a fragment or an escape.
std::string percent_encoded(std::string_view bytes);

// The page of a fund: the base URL, the code as one path segment, ".html".
std::string fund_page_url(const char* base_url, const char* code);

}  // namespace qinghe::app
