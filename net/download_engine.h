// The downloads of one run: one thread drives one libcurl multi handle for
// every request of the run, whichever thread asks and whichever host it goes
// to. At most N requests at once go to one host, on at most N connections;
// the others wait their turn in the engine, and a request's time limit
// counts from when it is sent. The open connections stay in the
// handle's cache across funds and hosts, the names resolved in its DNS cache,
// and TLS sessions are shared with the rest of the process (the root's share
// handle). HTTP/2 is asked for over TLS, and a server that offers it carries
// the run's requests as streams of one connection. The callers wait for an
// answer on their own threads and read it there; nothing but the transfers
// runs on the engine's thread. A request that fails on a spoiled kept-alive
// connection is sent once more on a new one; a refusal (refusal_retry.h) is
// asked again once after its wait, while the other requests go on. At most N
// bodies at once grow beyond kSmallBodyBytes (body_gate.h).
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/body_gate.h"
#include "net/http_transfer.h"
#include "net/parallel_downloads.h"

namespace qinghe::net {

class InternetRoot;

class DownloadEngine {
public:
    // Gets a request's answer, on the engine's thread (or at once on the
    // caller's when the engine takes no more requests): it should only hand
    // the answer on.
    using Done = std::function<void(FetchResult)>;
    using Ticket = uint64_t;

    // At most `connections_per_host` (clamped to 1..8) connections to a host,
    // and as many bodies at once beyond the small size.
    explicit DownloadEngine(int connections_per_host = parallel::kDefault);
    // Cancels what is under way and waits for the engine's thread.
    ~DownloadEngine();
    DownloadEngine(const DownloadEngine&) = delete;
    DownloadEngine& operator=(const DownloadEngine&) = delete;

    // Sends `request` with the settings in force now; `done` gets the answer,
    // a refusal asked again once, or an empty one when cancelled. A body cut
    // short (time-out, size cap, broken connection) is dropped: nobody reads
    // it, and it would hold up to the cap.
    Ticket submit(Request request, Done done);
    // submit, and the answer to come.
    std::future<FetchResult> fetch_later(Request request);
    // submit, and the answer once it came.
    FetchResult fetch(const Request& request);
    // Ends one request, under way or waiting to be asked again.
    void cancel(Ticket ticket);
    // Ends every request under way or waiting, and every later one.
    void cancel_all();
    // cancel_all of every engine of the process (program end).
    static void cancel_everywhere();

private:
    using Clock = std::chrono::steady_clock;
    struct Job;
    using Jobs = std::vector<std::unique_ptr<Job>>;
    using Running = std::map<CURL*, std::unique_ptr<Job>>;

    void run();
    bool take_orders();
    void start_due();
    bool has_room(const std::string& host) const;
    std::unique_ptr<Job> stop_running(Running::iterator running);
    void start(std::unique_ptr<Job> job, bool new_connection);
    void read_finished();
    void finished(CURL* easy, CURLcode code);
    void end(Ticket ticket);
    void end_all();
    int poll_milliseconds() const;

    const size_t per_host_;
    std::shared_ptr<InternetRoot> root_;
    CURLM* multi_ = nullptr;
    BodyGate gate_;
    // The engine's thread's own.
    Running running_;
    std::map<std::string, size_t> running_per_host_;  // of running_, by host_of
    Jobs waiting_;  // to be started when due and their host has room
    // Orders from other threads.
    std::mutex mutex_;
    Jobs incoming_;
    std::vector<Ticket> cancelled_;
    Ticket next_ticket_ = 1;
    bool cancelled_all_ = false;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace qinghe::net
