#include "net/url_parts.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

namespace qinghe::net {
namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

std::string_view before_fragment(std::string_view text) { return text.substr(0, text.find('#')); }

// One part of a parsed address, as written (not decoded); empty when absent.
std::string url_part(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value) return {};
    std::string copy(value);
    curl_free(value);
    return copy;
}

std::string user_info(CURLU* url) {
    std::string user = url_part(url, CURLUPART_USER);
    std::string password = url_part(url, CURLUPART_PASSWORD);
    if (user.empty() && password.empty()) return {};
    return user + (password.empty() ? "" : ":" + password) + "@";
}

}  // namespace

std::optional<UrlParts> split_url(std::string_view url) {
    std::string address(before_fragment(url));
    if (address.empty()) return std::nullopt;
    UrlHandle handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK)
        return std::nullopt;

    std::string scheme = url_part(handle.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") return std::nullopt;
    UrlParts parts;
    parts.secure = scheme == "https";
    parts.host = url_part(handle.get(), CURLUPART_HOST);
    if (parts.host.empty()) return std::nullopt;
    parts.port = std::strtol(url_part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str(),
                             nullptr, 10);
    std::string query = url_part(handle.get(), CURLUPART_QUERY);
    std::string object =
        url_part(handle.get(), CURLUPART_PATH) + (query.empty() ? "" : "?" + query);
    // Cut again: whatever the parser left, no fragment reaches the request line.
    parts.object_path = before_fragment(object);
    parts.request_url = scheme + "://" + user_info(handle.get()) + parts.host + ":" +
                        std::to_string(parts.port) + parts.object_path;
    return parts;
}

}  // namespace qinghe::net
