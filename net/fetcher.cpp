#include "net/fetcher.h"

#include <algorithm>
#include <vector>

#include "net/internet_root.h"
#include "net/refusal_retry.h"

namespace qinghe::net {
namespace {

// Longest wait in curl_multi_poll: the transfer's own time-outs are looked
// at by curl_multi_perform at least this often.
constexpr int kPollMilliseconds = 1000;
// Kept-alive connections a fetcher leaves open: one to each of the three
// sources' servers, and room for a redirect's.
constexpr long kKeptConnections = 4;

// The fetchers alive in the process, for cancel_all.
std::mutex g_registry_mutex;
std::vector<Fetcher*> g_registry;

}  // namespace

Fetcher::Fetcher(BodyGate* gate)
    : settings_(http_settings()), root_(InternetRoot::acquire()), gate_(gate) {
    if (root_) multi_ = curl_multi_init();
    // The fetcher's connections stay in its multi handle's own cache, to
    // each server its requests go to.
    if (multi_) curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kKeptConnections);
    std::lock_guard lock(g_registry_mutex);
    g_registry.push_back(this);
}

Fetcher::~Fetcher() {
    {
        std::lock_guard lock(g_registry_mutex);
        std::erase(g_registry, this);
    }
    if (multi_) curl_multi_cleanup(multi_);
}

void Fetcher::cancel_all() {
    std::lock_guard lock(g_registry_mutex);
    for (Fetcher* fetcher : g_registry) fetcher->cancel();
}

void Fetcher::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        cancelled_changed_.notify_all();
    }
    if (multi_) curl_multi_wakeup(multi_);
    if (gate_) gate_->wake();
}

bool Fetcher::cancelled() { return cancelled_; }

FetchResult Fetcher::fetch(const Request& request) {
    FetchResult result = fetch_once(request);
    const std::optional<std::chrono::seconds> wait = refusal_wait(result);
    if (!wait) return result;
    {
        std::unique_lock lock(mutex_);
        if (cancelled_changed_.wait_for(lock, *wait, [&] { return cancelled_.load(); })) return {};
    }
    return fetch_once(request);
}

FetchResult Fetcher::fetch_once(const Request& request) {
    std::unique_ptr<Transfer> transfer;
    std::optional<CURLcode> code = perform(request, false, transfer);
    // A kept-alive connection spoiled before the answer came: once more on a new one.
    if (code && transfer->failed_on_reused_connection(*code))
        code = perform(request, true, transfer);
    if (!code) return {};
    return transfer->finish(*code, false);
}

// One transfer on the fetcher's multi handle; its result code, nothing when
// it could not start or was cancelled.
std::optional<CURLcode> Fetcher::perform(const Request& request, bool new_connection,
                                         std::unique_ptr<Transfer>& transfer) {
    if (!multi_ || cancelled()) return std::nullopt;
    transfer = Transfer::create(request.url, root_->thread_share(), settings_, new_connection,
                                request.referer);
    if (transfer && !request.user_agent.empty())
        curl_easy_setopt(transfer->easy(), CURLOPT_USERAGENT, request.user_agent.c_str());
    if (transfer && gate_) transfer->set_body_gate(*gate_, cancelled_);
    if (!transfer || curl_multi_add_handle(multi_, transfer->easy()) != CURLM_OK)
        return std::nullopt;
    std::optional<CURLcode> code;
    int running = 1;
    while (!code && !cancelled()) {
        curl_multi_perform(multi_, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued))
            if (message->msg == CURLMSG_DONE) code = message->data.result;
        if (!code) curl_multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
    }
    curl_multi_remove_handle(multi_, transfer->easy());
    return code;
}

}  // namespace qinghe::net
