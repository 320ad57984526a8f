#include "analysis/prefetched_pages.h"

#include <string>
#include <utility>
#include <vector>

#include "analysis/app_files.h"
#include "analysis/holdings_pipeline.h"
#include "analysis/page_download.h"
#include "analysis/url_encoding.h"
#include "runtime/memory.h"

namespace qinghe::app {
namespace {

thread_local PrefetchedPages* t_current = nullptr;

// The URLs the collector asks for, in line order: the page of every
// accepted code.
std::vector<std::string> page_urls(const char* base_url, const ArrayBlock* lines) {
    std::vector<std::string> urls;
    int32_t count = lines ? lines->sizes()[0] : 0;
    for (int32_t i = 0; i < count; ++i) {
        auto line = static_cast<const char*>(lines->pointer_at(i));
        if (!is_accepted_code(line)) continue;
        urls.push_back(fund_page_url(base_url, line));
    }
    return urls;
}

}  // namespace

PrefetchedPages::PrefetchedPages(const char* base_url, const ArrayBlock* lines, int parallel)
    : prefetch_(page_urls(base_url, lines), parallel), outer_(t_current) {
    // With one download at a time every page is fetched and converted only
    // when the collector asks for it, as without download ahead.
    const int downloads = net::clamp_parallel(parallel);
    if (downloads > 1 && prefetch_.size() > 1)
        conversion_.emplace(prefetch_, conversion_workers(downloads), size_t(downloads));
    t_current = this;
}

PrefetchedPages::~PrefetchedPages() {
    t_current = outer_;
    mem_free(handed_.converted);
}

ByteSet* PrefetchedPages::take(const char* url, bool& due) {
    // A converted copy the collector did not ask for is dropped, so that it
    // can never be taken for another page at the same address.
    mem_free(std::exchange(handed_, {}).converted);
    due = next_ < prefetch_.size() && prefetch_.url(next_) == url;
    if (!due) return nullptr;
    if (!conversion_) return page_of(prefetch_.take(next_++));
    handed_ = conversion_->take(next_++);
    return handed_.page;
}

ByteSet* PrefetchedPages::take_converted(const ByteSet* page, bool& found) {
    found = page && page == handed_.page && handed_.ahead;
    if (!found) return nullptr;
    return std::exchange(handed_, {}).converted;
}

ByteSet* read_prefetched_page(const char* url) {
    bool due = false;
    ByteSet* page = t_current && url ? t_current->take(url, due) : nullptr;
    return due ? page : download_page(url);
}

ByteSet* convert_prefetched_page(const ByteSet* page) {
    bool found = false;
    ByteSet* converted = t_current ? t_current->take_converted(page, found) : nullptr;
    return found ? converted : convert_page_charset(page);
}

int parallel_downloads(const char* text) {
    return whole_number_setting(text, net::parallel::kDefault, net::parallel::kMin,
                                net::parallel::kMax);
}

}  // namespace qinghe::app
