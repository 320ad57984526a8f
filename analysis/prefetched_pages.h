// Download ahead for one analysis run: the pages of the run's accepted codes
// are fetched in the background, at most N at a time, and with N above 1
// converted into the program's charset ahead too, while the collector works
// through them in line order. The collector's page reader
// read_prefetched_page and page converter convert_prefetched_page take them,
// on the thread that made the PrefetchedPages, for as long as it lives;
// ending it cancels what is still under way.
#pragma once

#include <cstddef>
#include <optional>

#include "analysis/conversion_ahead.h"

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
    // The converted copy of `page` when it is the page take handed out last
    // and was converted ahead, else null with `found` false.
    ByteSet* take_converted(const ByteSet* page, bool& found);

private:
    net::PagePrefetch prefetch_;
    std::optional<ConversionAhead> conversion_;  // goes before prefetch_
    ConversionAhead::Converted handed_;          // the last page handed out
    size_t next_ = 0;
    PrefetchedPages* outer_;  // the one this thread used before
};

// A HoldingsCollector page reader: the page due from this thread's
// PrefetchedPages, or a download of its own for any other URL.
ByteSet* read_prefetched_page(const char* url);

// A HoldingsCollector page converter: the copy converted ahead for the page
// read_prefetched_page handed out last, or a conversion of its own.
ByteSet* convert_prefetched_page(const ByteSet* page);

// Downloads at once from a setting's text (GBK, null when missing): the
// default for anything but a whole number, else clamped to 1..8.
int parallel_downloads(const char* text);

}  // namespace qinghe::app
