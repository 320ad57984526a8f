// Download ahead: the pages of an ordered list of URLs, fetched by one
// thread of the prefetch's own through a libcurl multi handle and handed out
// in order. While the reader works on page i, pages i+1 ... i+N-1 are being
// fetched (N = parallel), never more than N at a time; with N = 1 a page is
// fetched only when it is asked for. Destroying the prefetch cancels what is
// under way and joins its thread, so no download outlives it.
#pragma once

#include <curl/curl.h>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/http_settings.h"
#include "net/http_transfer.h"

namespace qinghe::net {

class InternetRoot;

namespace parallel {
inline constexpr int kDefault = 4;
inline constexpr int kMin = 1;
inline constexpr int kMax = 8;
}  // namespace parallel

// `requested` brought into kMin..kMax.
int clamp_parallel(long long requested);

class PagePrefetch {
public:
    // Starts the downloads at once with the current settings.
    PagePrefetch(std::vector<std::string> urls, int parallel);
    ~PagePrefetch();
    PagePrefetch(const PagePrefetch&) = delete;
    PagePrefetch& operator=(const PagePrefetch&) = delete;

    size_t size() const { return urls_.size(); }
    const std::string& url(size_t index) const { return urls_[index]; }

    // Waits for page `index` and hands it out. A page is handed out once;
    // a second take, an index beyond the list, or a page that a cancel
    // stopped gives an empty result.
    FetchResult take(size_t index);
    // Stops the downloads under way and those not started; returns at once.
    void cancel();
    // Cancels every prefetch of the process (program end).
    static void cancel_all();

private:
    enum class State { waiting, running, done, taken };
    struct Page {
        State state = State::waiting;
        FetchResult result;
    };
    struct Running {
        size_t index;
        std::unique_ptr<Transfer> transfer;
        bool retried = false;
    };

    void run();
    void start_due(std::vector<Running>& running);
    bool wait_for_work();
    void collect_finished(std::vector<Running>& running);
    bool retry_on_new_connection(Running& page);
    void finish(size_t index, FetchResult result);
    void end_all(std::vector<Running>& running);
    void wake();

    const std::vector<std::string> urls_;
    const size_t parallel_;
    const HttpSettings settings_;
    std::shared_ptr<InternetRoot> root_;
    CURLM* multi_ = nullptr;

    std::mutex mutex_;  // guards what follows
    std::condition_variable changed_;
    std::vector<Page> pages_;
    size_t wanted_ = 0;  // the furthest page asked for
    size_t next_ = 0;    // the next page to start
    bool cancelled_ = false;

    std::thread thread_;
};

}  // namespace qinghe::net
