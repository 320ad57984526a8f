// Splitting a page address into what one HTTP GET needs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qinghe::net {

struct UrlParts {
    bool secure = false;  // https: a TLS connection
    std::string host;
    long port = 0;            // the URL's port, else the scheme's (80, 443)
    std::string object_path;  // path and query, never a fragment
    std::string request_url;  // the address handed to the transfer
};

// The fragment is dropped; only http and https addresses split, anything
// else (no scheme, another scheme, malformed) gives nothing.
std::optional<UrlParts> split_url(std::string_view url);

}  // namespace qinghe::net
