#include "analysis/conversion_ahead.h"

#include <algorithm>
#include <utility>

#include "analysis/page_download.h"
#include "runtime/memory.h"

namespace qinghe::app {

ConversionAhead::ConversionAhead(net::PagePrefetch& prefetch, size_t workers, size_t ahead)
    : prefetch_(prefetch), ahead_(std::max<size_t>(ahead, 1)), slots_(prefetch.size()) {
    for (size_t i = 0; i < std::max<size_t>(workers, 1); ++i)
        workers_.emplace_back([this] { work(); });
}

ConversionAhead::~ConversionAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    // A worker waiting for a download returns at once.
    prefetch_.cancel();
    for (std::thread& worker : workers_) worker.join();
    for (Slot& slot : slots_) {
        mem_free(slot.pages.page);
        mem_free(slot.pages.converted);
    }
}

ConversionAhead::Converted ConversionAhead::take(size_t index) {
    if (index >= slots_.size()) return {};
    std::unique_lock lock(mutex_);
    reading_ = std::max(reading_, index);
    changed_.notify_all();
    changed_.wait(lock, [&] { return slots_[index].ready; });
    return std::exchange(slots_[index].pages, {});
}

// The next page due for conversion; false when the work is over.
bool ConversionAhead::claim(size_t& index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return stopping_ || claimed_ >= slots_.size() || claimed_ < reading_ + ahead_;
    });
    if (stopping_ || claimed_ >= slots_.size()) return false;
    index = claimed_++;
    return true;
}

void ConversionAhead::work() {
    size_t index = 0;
    while (claim(index)) {
        Converted pages;
        pages.page = page_of(prefetch_.take(index));
        pages.ahead = pages.page && byte_set_size(pages.page) <= kLargestPageAhead;
        if (pages.ahead) pages.converted = convert_page_charset(pages.page);
        std::lock_guard lock(mutex_);
        slots_[index] = {true, pages};
        changed_.notify_all();
    }
}

size_t conversion_workers(int parallel) {
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min(cores, size_t(std::max(parallel, 1)));
}

}  // namespace qinghe::app
