#include "net/page_prefetch.h"

#include <algorithm>
#include <chrono>

#include "net/internet_root.h"

namespace qinghe::net {
namespace {

// Longest wait in curl_multi_poll: the transfers' own time-outs are looked
// at by curl_multi_perform at least this often.
constexpr int kPollMilliseconds = 1000;

// The prefetches alive in the process, for cancel_all.
std::mutex g_registry_mutex;
std::vector<PagePrefetch*> g_registry;

}  // namespace

int clamp_parallel(long long requested) {
    return int(std::clamp<long long>(requested, parallel::kMin, parallel::kMax));
}

PagePrefetch::PagePrefetch(std::vector<std::string> urls, int parallel)
    : urls_(std::move(urls)),
      parallel_(size_t(clamp_parallel(parallel))),
      settings_(http_settings()),
      root_(InternetRoot::acquire()),
      pages_(urls_.size()) {
    if (root_) multi_ = curl_multi_init();
    if (!multi_) {
        for (Page& page : pages_) page.state = State::done;
        return;
    }
    {
        std::lock_guard lock(g_registry_mutex);
        g_registry.push_back(this);
    }
    thread_ = std::thread([this] { run(); });
}

PagePrefetch::~PagePrefetch() {
    {
        std::lock_guard lock(g_registry_mutex);
        std::erase(g_registry, this);
    }
    cancel();
    if (thread_.joinable()) thread_.join();
    if (multi_) curl_multi_cleanup(multi_);
}

void PagePrefetch::cancel_all() {
    std::lock_guard lock(g_registry_mutex);
    for (PagePrefetch* prefetch : g_registry) prefetch->cancel();
}

FetchResult PagePrefetch::take(size_t index) {
    if (index >= pages_.size()) return {};
    std::unique_lock lock(mutex_);
    if (index > wanted_) {
        wanted_ = index;
        wake();
    }
    changed_.wait(lock, [&] { return pages_[index].state >= State::done; });
    if (pages_[index].state == State::taken) return {};
    pages_[index].state = State::taken;
    return std::move(pages_[index].result);
}

void PagePrefetch::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    wake();
}

// Called with the lock held: the download thread may sleep on the
// condition or in curl_multi_poll.
void PagePrefetch::wake() {
    changed_.notify_all();
    if (multi_) curl_multi_wakeup(multi_);
}

void PagePrefetch::run() {
    std::vector<Running> running;
    while (true) {
        start_due(running);
        if (running.empty()) {
            if (!wait_for_work()) break;
            continue;
        }
        int still_running = 0;
        curl_multi_perform(multi_, &still_running);
        collect_finished(running);
        {
            std::lock_guard lock(mutex_);
            if (cancelled_) break;
        }
        curl_multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
    }
    end_all(running);
}

// Starts the pages that are due: within N of the furthest page asked for,
// and no more than N under way.
void PagePrefetch::start_due(std::vector<Running>& running) {
    std::unique_lock lock(mutex_);
    while (!cancelled_ && running.size() < parallel_ && next_ < urls_.size() &&
           next_ < wanted_ + parallel_) {
        size_t index = next_++;
        pages_[index].state = State::running;
        lock.unlock();
        std::unique_ptr<Transfer> transfer =
            Transfer::create(urls_[index], root_->share(), settings_);
        if (transfer && curl_multi_add_handle(multi_, transfer->easy()) == CURLM_OK)
            running.push_back({index, std::move(transfer), false});
        else finish(index, {});
        lock.lock();
    }
}

// With nothing under way: waits until a page is due; false when the work
// is over (every page started, or cancelled).
bool PagePrefetch::wait_for_work() {
    std::unique_lock lock(mutex_);
    changed_.wait(
        lock, [&] { return cancelled_ || next_ >= urls_.size() || next_ < wanted_ + parallel_; });
    return !cancelled_ && next_ < urls_.size();
}

void PagePrefetch::collect_finished(std::vector<Running>& running) {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        auto found = std::find_if(running.begin(), running.end(), [&](const Running& r) {
            return r.transfer->easy() == message->easy_handle;
        });
        if (found == running.end()) continue;
        const CURLcode code = message->data.result;  // gone once the handle is removed
        curl_multi_remove_handle(multi_, found->transfer->easy());
        if (!found->retried && found->transfer->failed_on_reused_connection(code) &&
            retry_on_new_connection(*found))
            continue;
        finish(found->index, found->transfer->finish(code));
        running.erase(found);
    }
}

// One more try of a page whose reused connection was spoiled; false when
// it cannot start, and the page ends with what the first try gave.
bool PagePrefetch::retry_on_new_connection(Running& page) {
    std::unique_ptr<Transfer> transfer =
        Transfer::create(urls_[page.index], root_->share(), settings_, true);
    if (!transfer || curl_multi_add_handle(multi_, transfer->easy()) != CURLM_OK) return false;
    page.transfer = std::move(transfer);
    page.retried = true;
    return true;
}

void PagePrefetch::finish(size_t index, FetchResult result) {
    std::lock_guard lock(mutex_);
    pages_[index].result = std::move(result);
    pages_[index].state = State::done;
    changed_.notify_all();
}

// The thread's end: transfers still under way are dropped, and every page
// not downloaded counts as done and empty, so no reader waits for it.
void PagePrefetch::end_all(std::vector<Running>& running) {
    for (Running& r : running) curl_multi_remove_handle(multi_, r.transfer->easy());
    running.clear();
    std::lock_guard lock(mutex_);
    for (Page& page : pages_)
        if (page.state < State::done) page.state = State::done;
    changed_.notify_all();
}

}  // namespace qinghe::net
