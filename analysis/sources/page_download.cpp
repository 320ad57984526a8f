#include "analysis/sources/page_download.h"

#include "analysis/app_texts.h"
#include "analysis/sources/charset_conversion.h"
#include "net/http_read.h"
#include "runtime/memory.h"

namespace qinghe::app {

// The page goes through the reader itself, not the library command
// http_read: the command returns the body of any status and the part of a
// transfer cut short, and neither an error page (a 404 holding holdings
// markup, say) nor a page cut by a time-out or the size cap may count as
// the fund's page.
ByteSet* download_page(const char* url) { return page_of(net::fetch(url ? url : "")); }

bool is_page(const net::FetchResult& result) { return result.ok() && result.whole; }

ByteSet* page_of(const net::FetchResult& result) {
    return is_page(result) ? make_byte_set(result.body) : nullptr;
}

ByteSet* convert_page_charset(const ByteSet* page) {
    return convert_charset(page, app_text(AppText::charset_page),
                           app_text(AppText::charset_program));
}

}  // namespace qinghe::app
