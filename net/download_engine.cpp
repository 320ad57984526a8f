#include "net/download_engine.h"

#include <algorithm>
#include <optional>

#include "net/internet_root.h"
#include "net/refusal_retry.h"
#include "net/url_parts.h"

namespace qinghe::net {
namespace {

// Longest wait in curl_multi_poll: the transfers' own time-outs are looked
// at by curl_multi_perform at least this often.
constexpr std::chrono::milliseconds kLongestPoll{1000};
// Connections kept open per allowed connection to a host: one host for each
// of the three sources and room for a redirect's.
constexpr long kHostsKeptOpen = 4;

// The engines alive in the process, for cancel_everywhere.
std::mutex g_registry_mutex;
std::vector<DownloadEngine*> g_registry;

// The host and port whose connections a request counts against, as libcurl
// counts them; empty for an address that is no page's.
std::string host_of(const std::string& url) {
    const std::optional<UrlParts> parts = split_url(url);
    return parts ? parts->host + ":" + std::to_string(parts->port) : std::string();
}

}  // namespace

struct DownloadEngine::Job {
    Ticket ticket = 0;
    Request request;
    HttpSettings settings;
    Done done;
    std::string host;  // host_of the request's address
    std::unique_ptr<Transfer> transfer;
    bool asked_again = false;     // after a refusal
    bool new_connection = false;  // after a spoiled kept-alive connection
    Clock::time_point due;        // when a waiting job starts
};

DownloadEngine::DownloadEngine(int connections_per_host)
    : per_host_(size_t(clamp_parallel(connections_per_host))),
      root_(InternetRoot::acquire()),
      gate_(per_host_) {
    if (root_) multi_ = curl_multi_init();
    if (!multi_) return;
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, long(per_host_));
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kHostsKeptOpen * long(per_host_));
    curl_multi_setopt(multi_, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
    {
        std::lock_guard lock(g_registry_mutex);
        g_registry.push_back(this);
    }
    thread_ = std::thread([this] { run(); });
}

DownloadEngine::~DownloadEngine() {
    {
        std::lock_guard lock(g_registry_mutex);
        std::erase(g_registry, this);
    }
    if (!multi_) return;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    curl_multi_wakeup(multi_);
    thread_.join();
    curl_multi_cleanup(multi_);
}

void DownloadEngine::cancel_everywhere() {
    std::lock_guard lock(g_registry_mutex);
    for (DownloadEngine* engine : g_registry) engine->cancel_all();
}

DownloadEngine::Ticket DownloadEngine::submit(Request request, Done done) {
    auto job = std::make_unique<Job>();
    job->request = std::move(request);
    job->host = host_of(job->request.url);
    job->settings = http_settings();
    job->done = std::move(done);
    {
        std::lock_guard lock(mutex_);
        job->ticket = next_ticket_++;
        if (multi_ && !cancelled_all_ && !closing_) {
            const Ticket ticket = job->ticket;
            // The first order since the engine's thread took the last ones
            // wakes it; it takes them all at once.
            if (incoming_.empty()) curl_multi_wakeup(multi_);
            incoming_.push_back(std::move(job));
            return ticket;
        }
    }
    job->done({});
    return job->ticket;
}

std::future<FetchResult> DownloadEngine::fetch_later(Request request) {
    // Shared with the engine's thread, which may still hold it when the answer is taken.
    auto answer = std::make_shared<std::promise<FetchResult>>();
    std::future<FetchResult> future = answer->get_future();
    submit(std::move(request),
           [answer](FetchResult result) { answer->set_value(std::move(result)); });
    return future;
}

FetchResult DownloadEngine::fetch(const Request& request) { return fetch_later(request).get(); }

void DownloadEngine::cancel(Ticket ticket) {
    std::lock_guard lock(mutex_);
    cancelled_.push_back(ticket);
    if (multi_) curl_multi_wakeup(multi_);
}

void DownloadEngine::cancel_all() {
    std::lock_guard lock(mutex_);
    cancelled_all_ = true;
    if (multi_) curl_multi_wakeup(multi_);
}

// The engine's thread: new requests and cancels, then the transfers, until
// the engine closes; what is left then gets the empty answer.
void DownloadEngine::run() {
    while (take_orders()) {
        start_due();
        int running = 0;
        curl_multi_perform(multi_, &running);
        read_finished();
        curl_multi_poll(multi_, nullptr, 0, poll_milliseconds(), nullptr);
    }
    end_all();
}

// False once the engine closes.
bool DownloadEngine::take_orders() {
    Jobs incoming;
    std::vector<Ticket> cancelled;
    bool all = false, closing = false;
    {
        std::lock_guard lock(mutex_);
        incoming.swap(incoming_);
        cancelled.swap(cancelled_);
        all = cancelled_all_;
        closing = closing_;
    }
    const Clock::time_point now = Clock::now();
    for (std::unique_ptr<Job>& job : incoming) {
        job->due = now;
        waiting_.push_back(std::move(job));
    }
    for (Ticket ticket : cancelled) end(ticket);
    if (all) end_all();
    return !closing;
}

// The jobs due, in the order they came, as far as their host has a
// connection free: the others wait here rather than in libcurl's queue, so
// that a request's time limit counts from when it is sent.
void DownloadEngine::start_due() {
    const Clock::time_point now = Clock::now();
    for (std::unique_ptr<Job>& job : waiting_)
        if (job->due <= now && has_room(job->host)) start(std::move(job), false);
    std::erase(waiting_, nullptr);
}

bool DownloadEngine::has_room(const std::string& host) const {
    const auto found = running_per_host_.find(host);
    return found == running_per_host_.end() || found->second < per_host_;
}

// Takes a job out of the running ones, and its place at its host.
std::unique_ptr<DownloadEngine::Job> DownloadEngine::stop_running(Running::iterator running) {
    std::unique_ptr<Job> job = std::move(running->second);
    running_.erase(running);
    if (--running_per_host_[job->host] == 0) running_per_host_.erase(job->host);
    curl_multi_remove_handle(multi_, job->transfer->easy());
    return job;
}

void DownloadEngine::start(std::unique_ptr<Job> job, bool new_connection) {
    job->new_connection = new_connection;
    job->transfer = Transfer::create(job->request.url, root_->thread_share(), job->settings,
                                     new_connection, job->request.referer);
    if (job->transfer && !job->request.user_agent.empty())
        curl_easy_setopt(job->transfer->easy(), CURLOPT_USERAGENT, job->request.user_agent.c_str());
    if (job->transfer) job->transfer->set_body_gate(gate_);
    if (!job->transfer || curl_multi_add_handle(multi_, job->transfer->easy()) != CURLM_OK) {
        job->transfer.reset();
        job->done({});
        return;
    }
    CURL* easy = job->transfer->easy();
    ++running_per_host_[job->host];
    running_.emplace(easy, std::move(job));
}

void DownloadEngine::read_finished() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued))
        if (message->msg == CURLMSG_DONE) finished(message->easy_handle, message->data.result);
}

void DownloadEngine::finished(CURL* easy, CURLcode code) {
    auto found = running_.find(easy);
    if (found == running_.end()) return;
    std::unique_ptr<Job> job = stop_running(found);
    // A kept-alive connection spoiled before the answer came: once more on a new one.
    if (!job->new_connection && job->transfer->failed_on_reused_connection(code)) {
        job->transfer.reset();
        return start(std::move(job), true);
    }
    FetchResult result = job->transfer->finish(code, false);
    job->transfer.reset();  // a permit of the gate goes back here
    const std::optional<std::chrono::seconds> wait =
        job->asked_again ? std::nullopt : refusal_wait(result);
    if (!wait) return job->done(std::move(result));
    job->asked_again = true;
    job->due = Clock::now() + *wait;
    waiting_.push_back(std::move(job));
}

void DownloadEngine::end(Ticket ticket) {
    for (auto it = running_.begin(); it != running_.end(); ++it) {
        if (it->second->ticket != ticket) continue;
        std::unique_ptr<Job> job = stop_running(it);
        job->transfer.reset();
        return job->done({});
    }
    for (std::unique_ptr<Job>& job : waiting_) {
        if (job->ticket != ticket) continue;
        std::unique_ptr<Job> ended = std::move(job);
        std::erase(waiting_, nullptr);
        return ended->done({});
    }
}

void DownloadEngine::end_all() {
    while (!running_.empty()) end(running_.begin()->second->ticket);
    Jobs waiting;
    waiting.swap(waiting_);
    for (std::unique_ptr<Job>& job : waiting) job->done({});
}

// Until the next waiting job is due, at most the longest poll; a job whose
// host has no connection free starts when one of its transfers ends, which
// wakes the poll.
int DownloadEngine::poll_milliseconds() const {
    std::chrono::milliseconds wait = kLongestPoll;
    const Clock::time_point now = Clock::now();
    for (const std::unique_ptr<Job>& job : waiting_)
        if (has_room(job->host))
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(
                                      std::max(job->due - now, Clock::duration::zero())));
    return int(wait.count());
}

}  // namespace qinghe::net
