// Conversion ahead: worker threads take the pages of a download-ahead in
// line order and convert each into the program's charset while the reader
// is still busy with earlier ones, never more than `ahead` pages beyond the
// page the reader takes. The conversion is the same one the collector runs;
// only the thread and the time differ.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "net/page_prefetch.h"
#include "runtime/values.h"

namespace qinghe::app {

class ConversionAhead {
public:
    // A page and its converted copy, both owned by whoever takes them. A
    // page that is missing, or too big to be a fund page, is not converted
    // ahead: the collector converts it itself.
    struct Converted {
        ByteSet* page = nullptr;
        bool ahead = false;  // `converted` holds the conversion
        ByteSet* converted = nullptr;
    };

    // Pages above this size wait for the collector, so that a site sending
    // bodies up to the download cap cannot make the workers hold several
    // conversions of that size at once.
    static constexpr int32_t kLargestPageAhead = 4 << 20;

    ConversionAhead(net::PagePrefetch& prefetch, size_t workers, size_t ahead);
    // Cancels the downloads, waits for the workers and frees what nobody took.
    ~ConversionAhead();
    ConversionAhead(const ConversionAhead&) = delete;
    ConversionAhead& operator=(const ConversionAhead&) = delete;

    // Waits for page `index`; the reader takes the pages in order, once each.
    Converted take(size_t index);

private:
    struct Slot {
        bool ready = false;
        Converted pages;
    };

    void work();
    bool claim(size_t& index);

    net::PagePrefetch& prefetch_;
    const size_t ahead_;
    std::mutex mutex_;  // guards what follows
    std::condition_variable changed_;
    std::vector<Slot> slots_;
    size_t claimed_ = 0;  // the next page a worker starts on
    size_t reading_ = 0;  // the page the reader takes next
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// Conversion workers for `parallel` downloads at once: one per core, at
// most one per download.
size_t conversion_workers(int parallel);

}  // namespace qinghe::app
