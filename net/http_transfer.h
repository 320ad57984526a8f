// One HTTP GET, set up on a libcurl easy handle with every limit of the
// reader: the body cap on the decoded bytes, compressed bodies asked for,
// connection reuse through the root's share handle, the stall and
// low-speed limits. The same transfer runs alone (fetch) or on the multi
// handle of a run's download engine.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/body_gate.h"
#include "net/http_settings.h"

namespace qinghe::net {

// One GET: the address and, where the server wants one, the page it is
// asked from (the Referer header) and a user agent of its own (else the
// settings' one).
struct Request {
    std::string url;
    std::string referer;
    std::string user_agent{};
};

// What one GET gave: the status of the last response after redirects (0
// when no response arrived), the body bytes received, up to the cap, and
// the seconds of the response's Retry-After (0 when it names none).
struct FetchResult {
    long status = 0;
    std::string body;
    long retry_after = 0;
    // The transfer ended as HTTP ends one, not by a time-out, the stall or
    // slow-transfer rule, the size cap or a broken connection: the body is
    // all there is.
    bool whole = false;
    // The body bytes received, also when a body cut short was not kept.
    size_t received = 0;

    // A 2xx response: the body is the page asked for, not an error page.
    bool ok() const { return status >= 200 && status <= 299; }
};

class Transfer {
public:
    // A transfer of `url` through the share handle `share`, over a kept-alive
    // connection where one is open unless `new_connection`, sending
    // `referer` when it is not empty; null when the URL is not an http or
    // https address or libcurl has no handle.
    static std::unique_ptr<Transfer> create(std::string_view url, CURLSH* share,
                                            const HttpSettings& settings,
                                            bool new_connection = false,
                                            std::string_view referer = {});
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* easy() const { return easy_; }
    // The body grows beyond kSmallBodyBytes only with a permit of `gate`;
    // without one free the transfer pauses until the gate resumes it. The
    // permit is held until the transfer ends.
    void set_body_gate(BodyGate& gate);
    // After the transfer ended with `code`: the status, the bytes so far and
    // whether they are whole; a body cut short is dropped unless `keep_cut`.
    FetchResult finish(CURLcode code, bool keep_cut = true);
    // After the transfer ended with `code`: it failed on a reused connection
    // before any byte of its answer came, so what the connection held was
    // spoiled (by bytes beyond the previous answer's length, say) and the
    // request deserves one more try on a new connection.
    bool failed_on_reused_connection(CURLcode code) const;

private:
    using Clock = std::chrono::steady_clock;

    explicit Transfer(const HttpSettings& settings);
    bool set_up(const std::string& request_url, CURLSH* share, const HttpSettings& settings,
                bool new_connection);
    void set_referer(std::string_view referer);
    size_t append(const char* data, size_t size);
    bool may_grow_to(size_t bytes);
    void add_block();
    std::string joined_body();

    static size_t on_body(char* data, size_t, size_t size, void* transfer);
    static int on_request(void* transfer, char*, char*, int, int);
    static int on_progress(void* transfer, curl_off_t, curl_off_t received, curl_off_t, curl_off_t);

    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    std::vector<std::string> blocks_;  // the body so far, in order
    size_t received_bytes_ = 0;
    size_t max_body_bytes_;
    BodyGate* gate_ = nullptr;
    bool holds_permit_ = false;
    bool waits_for_permit_ = false;
    // Stall watch: no body byte for the stall time, counted from the moment
    // the request goes out (the connect time-out covers the time before).
    Clock::duration stall_limit_;
    bool request_sent_ = false;
    Clock::time_point last_progress_ = Clock::now();
    curl_off_t received_ = 0;
};

}  // namespace qinghe::net
