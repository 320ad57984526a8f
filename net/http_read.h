// http_read: one HTTP GET of a URL; the body, of whatever status, as a byte set.
#pragma once

#include <string_view>

#include "net/http_transfer.h"
#include "runtime/frame.h"

namespace qinghe {

// Argument 0: the URL text (GBK). Result: a new byte set, null when nothing
// was received. Never fails: every failure gives the bytes received so far.
void http_read(TaggedArg* result, int32_t count, TaggedArg* args);

namespace net {
// One GET of `url` with the current settings: the status and the body as
// received (empty on failure).
FetchResult fetch(std::string_view url);
}  // namespace net

}  // namespace qinghe
