// Download ahead for one analysis run: the pages of the run's accepted codes
// are fetched in the background, at most N at a time, while the collector
// works through them in line order. The collector's page reader
// read_prefetched_page takes them, on the thread that made the
// PrefetchedPages, for as long as it lives; ending it cancels what is still
// under way.
#pragma once

#include <cstddef>

#include "net/page_prefetch.h"
#include "runtime/values.h"

namespace qinghe::app {

class PrefetchedPages {
public:
    // The pages of the accepted codes of `lines` (an array of texts) under
    // `base_url`, `parallel` at a time (clamped to 1..8).
    PrefetchedPages(const char* base_url, const ArrayBlock* lines, int parallel);
    ~PrefetchedPages();
    PrefetchedPages(const PrefetchedPages&) = delete;
    PrefetchedPages& operator=(const PrefetchedPages&) = delete;

    // The next page when `url` is the one due, else null with `due` false.
    ByteSet* take(const char* url, bool& due);

private:
    net::PagePrefetch prefetch_;
    size_t next_ = 0;
    PrefetchedPages* outer_;  // the one this thread used before
};

// A HoldingsCollector page reader: the page due from this thread's
// PrefetchedPages, or a download of its own for any other URL.
ByteSet* read_prefetched_page(const char* url);

// Downloads at once from a setting's text (GBK, null when missing): the
// default for anything but a whole number, else clamped to 1..8.
int parallel_downloads(const char* text);

}  // namespace qinghe::app
