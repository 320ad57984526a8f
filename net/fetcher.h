// One worker's downloads, one GET at a time: each runs on a multi handle of
// the fetcher's own, so that another thread can end it at once (cancel, or
// cancel_all at program end), and over the kept-alive connections of that
// handle (the root's DNS cache and TLS sessions are shared). A request that fails on a spoiled
// kept-alive connection is sent once more on a new one; a refusal (refusal_retry.h) is asked again
// once; while the fetcher waits, other fetchers' downloads go on.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "net/body_gate.h"
#include "net/http_settings.h"
#include "net/http_transfer.h"

namespace qinghe::net {

class InternetRoot;

class Fetcher {
public:
    // Reads with the settings in force now; a body grows beyond
    // kSmallBodyBytes only with a permit of `gate`, when one is given.
    explicit Fetcher(BodyGate* gate = nullptr);
    ~Fetcher();
    Fetcher(const Fetcher&) = delete;
    Fetcher& operator=(const Fetcher&) = delete;

    // The answer to `request`, a refusal retried once; empty once cancelled.
    // A body cut short (time-out, size cap, broken connection) is dropped:
    // nobody reads it, and it would hold up to the cap.
    FetchResult fetch(const Request& request);
    // Ends the download or wait under way and every later one; from any thread.
    void cancel();
    // Cancels every fetcher of the process (program end).
    static void cancel_all();

private:
    FetchResult fetch_once(const Request& request);
    std::optional<CURLcode> perform(const Request& request, bool new_connection,
                                    std::unique_ptr<Transfer>& transfer);
    bool cancelled();

    const HttpSettings settings_;
    std::shared_ptr<InternetRoot> root_;
    CURLM* multi_ = nullptr;
    BodyGate* const gate_;
    std::mutex mutex_;  // orders a change of cancelled_ with the refusal wait
    std::condition_variable cancelled_changed_;
    std::atomic<bool> cancelled_ = false;
};

}  // namespace qinghe::net
