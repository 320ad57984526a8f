// Getting one fund page as program text: the HTTP read and the charset
// conversion from the page's UTF-8 to the program's GBK.
#pragma once

#include "net/http_transfer.h"
#include "runtime/values.h"

namespace qinghe::app {

// The body read from `url`; null when nothing could be read, the transfer
// did not end whole (time-out, size cap, broken connection) or the server
// answered with a status outside 200-299 (after redirects).
ByteSet* download_page(const char* url);
// Whether a fetch gave a page: a 2xx status, and a transfer that ended whole.
bool is_page(const net::FetchResult& result);
// What a fetch gave as a page: its body when is_page, else null.
ByteSet* page_of(const net::FetchResult& result);
// The page converted from "utf-8" to "gb2312"; null when empty.
ByteSet* convert_page_charset(const ByteSet* page);

}  // namespace qinghe::app
