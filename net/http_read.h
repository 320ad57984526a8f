// http_read: one HTTP GET of a URL; the body, of whatever status, as a byte set.
#pragma once

#include <string>
#include <string_view>

#include "runtime/frame.h"

namespace qinghe {

// Argument 0: the URL text (GBK). Result: a new byte set, null when nothing
// was received. Never fails: every failure gives the bytes received so far.
void http_read(TaggedArg* result, int32_t count, TaggedArg* args);

namespace net {
// The body of one GET of `url`, as received (empty on failure).
std::string fetch_body(std::string_view url);
}  // namespace net

}  // namespace qinghe
