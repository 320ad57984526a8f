#include "net/http_transfer.h"

#include <algorithm>
#include <iterator>

#include "net/url_parts.h"
#include "platform/heap_policy.h"

namespace qinghe::net {
namespace {

// Any type is accepted; nothing may come from a cache on the way.
constexpr const char* kRequestHeaders[] = {"Accept: */*", "Pragma: no-cache",
                                           "Cache-Control: no-cache"};

curl_slist* request_headers() {
    curl_slist* list = nullptr;
    for (const char* header : kRequestHeaders) {
        curl_slist* longer = curl_slist_append(list, header);
        if (!longer) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = longer;
    }
    return list;
}

void set_limits(CURL* easy, const HttpSettings& settings) {
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(settings.connect_timeout.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, long(settings.transfer_timeout.count()));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, settings.low_speed_bytes_per_second);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long(settings.low_speed_time.count()));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, settings.max_redirects);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, long(limit::kMaxChunkSize));
}

void set_trust(CURL* easy, const HttpSettings& settings) {
    if (settings.trusted_certificates_pem.empty()) return;
    curl_blob blob{const_cast<char*>(settings.trusted_certificates_pem.data()),
                   settings.trusted_certificates_pem.size(), CURL_BLOB_COPY};
    curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
}

}  // namespace

std::unique_ptr<Transfer> Transfer::create(std::string_view url, CURLSH* share,
                                           const HttpSettings& settings, bool new_connection,
                                           std::string_view referer) {
    std::optional<UrlParts> parts = split_url(url);
    if (!parts) return nullptr;
    std::unique_ptr<Transfer> transfer(new Transfer(settings));
    if (!transfer->set_up(parts->request_url, share, settings, new_connection)) return nullptr;
    transfer->set_referer(referer);
    return transfer;
}

Transfer::Transfer(const HttpSettings& settings)
    : max_body_bytes_(settings.max_body_bytes), stall_limit_(settings.stall_timeout) {}

Transfer::~Transfer() {
    if (waits_for_permit_) gate_->forget(easy_);
    if (holds_permit_) {
        // The large body's memory goes back to the system before another
        // transfer may grow one.
        std::vector<std::string>().swap(blocks_);
        platform::return_freed_memory();
        gate_->leave();
    }
    if (easy_) curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
}

bool Transfer::set_up(const std::string& request_url, CURLSH* share, const HttpSettings& settings,
                      bool new_connection) {
    easy_ = curl_easy_init();
    headers_ = request_headers();
    if (!easy_ || !headers_) return false;
    CURL* e = easy_;
    curl_easy_setopt(e, CURLOPT_SHARE, share);
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, long(new_connection));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A transfer dropped while a name is still being resolved does not wait
    // for the resolver.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(e, CURLOPT_URL, request_url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // HTTP/1.1 with keep-alive over plain connections, HTTP/2 over TLS
    // where the server offers it.
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
    // Every encoding this libcurl decodes; the body arrives decoded.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_USERAGENT, settings.user_agent.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::on_body);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Transfer::on_progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &Transfer::on_request);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
    set_limits(e, settings);
    set_trust(e, settings);
    return true;
}

void Transfer::set_body_gate(BodyGate& gate) { gate_ = &gate; }

// libcurl keeps its own copy of the text.
void Transfer::set_referer(std::string_view referer) {
    if (!referer.empty()) curl_easy_setopt(easy_, CURLOPT_REFERER, std::string(referer).c_str());
}

FetchResult Transfer::finish(CURLcode code, bool keep_cut) {
    FetchResult result;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &result.status);
    curl_off_t retry_after = 0;
    curl_easy_getinfo(easy_, CURLINFO_RETRY_AFTER, &retry_after);
    result.retry_after = long(retry_after);
    result.whole = code == CURLE_OK;
    result.received = received_bytes_;
    if (result.whole || keep_cut) result.body = joined_body();
    blocks_.clear();
    return result;
}

bool Transfer::failed_on_reused_connection(CURLcode code) const {
    // What a connection that died or holds stray bytes gives: the stray
    // bytes read as an answer without a status line (HTTP/0.9, refused) or
    // as a garbled one. A time-out or a refused connect is no such failure.
    constexpr CURLcode kSpoiled[] = {CURLE_UNSUPPORTED_PROTOCOL, CURLE_WEIRD_SERVER_REPLY,
                                     CURLE_GOT_NOTHING,          CURLE_SEND_ERROR,
                                     CURLE_RECV_ERROR,           CURLE_HTTP2,
                                     CURLE_HTTP2_STREAM};
    if (std::find(std::begin(kSpoiled), std::end(kSpoiled), code) == std::end(kSpoiled))
        return false;
    long new_connections = -1, status = 0;
    curl_easy_getinfo(easy_, CURLINFO_NUM_CONNECTS, &new_connections);
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    return new_connections == 0 && status == 0 && received_ == 0 && received_bytes_ == 0;
}

// The body arrives into blocks: the first the size announced (one default
// chunk when none is), each further one twice the one before, at most a
// mebibyte, never beyond the cap. No block is copied while the body
// arrives, so a body cut at the cap never holds more than the cap; a whole
// body is joined once, at the end.
size_t Transfer::append(const char* data, size_t size) {
    if (!may_grow_to(received_bytes_ + size)) return CURL_WRITEFUNC_PAUSE;
    size_t taken = std::min(size, max_body_bytes_ - received_bytes_);
    for (size_t left = taken; left > 0;) {
        if (blocks_.empty() || blocks_.back().size() == blocks_.back().capacity()) add_block();
        std::string& block = blocks_.back();
        const size_t part = std::min(left, block.capacity() - block.size());
        block.append(data, part);
        data += part;
        left -= part;
    }
    received_bytes_ += taken;
    return taken;  // fewer than offered ends the transfer at the cap
}

// A body growing beyond the small size first needs a permit of the gate;
// false while none is free (the transfer pauses, and the wait is no stall).
bool Transfer::may_grow_to(size_t bytes) {
    if (!gate_ || holds_permit_ || bytes <= kSmallBodyBytes) return true;
    waits_for_permit_ = !gate_->try_enter(easy_);
    holds_permit_ = !waits_for_permit_;
    last_progress_ = Clock::now();
    return holds_permit_;
}

void Transfer::add_block() {
    size_t room = limit::kLargestBlock;
    if (blocks_.empty()) {
        curl_off_t announced = -1;
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        room = initial_capacity(announced, max_body_bytes_);
    } else {
        room = std::min(blocks_.back().capacity() * 2, room);
    }
    blocks_.emplace_back();
    blocks_.back().reserve(std::max<size_t>(1, std::min(room, max_body_bytes_ - received_bytes_)));
}

std::string Transfer::joined_body() {
    if (blocks_.size() == 1) return std::move(blocks_.front());
    std::string body;
    body.reserve(received_bytes_);
    for (std::string& block : blocks_) {
        body.append(block);
        std::string().swap(block);
    }
    return body;
}

size_t Transfer::on_body(char* data, size_t, size_t size, void* transfer) {
    try {
        return static_cast<Transfer*>(transfer)->append(data, size);
    } catch (...) {
        return 0;
    }
}

int Transfer::on_request(void* transfer, char*, char*, int, int) {
    auto& self = *static_cast<Transfer*>(transfer);
    self.request_sent_ = true;
    self.last_progress_ = Clock::now();
    return CURL_PREREQFUNC_OK;
}

int Transfer::on_progress(void* transfer, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto& self = *static_cast<Transfer*>(transfer);
    Clock::time_point now = Clock::now();
    if (received != self.received_ || self.waits_for_permit_) {
        self.received_ = received;
        self.last_progress_ = now;
    }
    return self.request_sent_ && now - self.last_progress_ > self.stall_limit_ ? 1 : 0;
}

}  // namespace qinghe::net
