// The HTTP server of the tests and benchmarks, on 127.0.0.1: it accepts on an
// ephemeral port and serves each connection on its own thread, either through
// a handler of the test's own or from fixed pages by request path. With a
// handler it can speak TLS with a certificate made at test time.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// OpenSSL's context and connection, where the build has OpenSSL
// (support/loopback_tls.h).
struct ssl_ctx_st;
struct ssl_st;

namespace qinghe::testing {

// A self-signed certificate for 127.0.0.1 and a server context that uses it.
class TestCertificate {
public:
    TestCertificate();
    ~TestCertificate();
    const std::string& pem() const { return pem_; }
    ssl_ctx_st* server_context() const { return context_; }

private:
    std::string pem_;
    ssl_ctx_st* context_ = nullptr;
};

class LoopbackServer;

class Connection {
public:
    Connection(int socket, ssl_st* tls, LoopbackServer& server);
    ~Connection();
    // The request head up to the blank line (empty if the client sent none).
    const std::string& head() const { return head_; }
    // The target of the request line ("/path?query").
    std::string target() const;
    bool send(std::string_view bytes);
    // Holds the connection open, silent, until the server stops.
    void stay_silent();
    // Keep-alive: waits for the client's next request on this connection;
    // false when the client closes it or the server stops.
    bool next_request();

private:
    void read_head();
    bool wait_readable();

    int socket_;
    ssl_st* tls_;
    LoopbackServer& server_;
    std::string head_;
};

class LoopbackServer {
public:
    using Handler = std::function<void(Connection&)>;
    using Pages = std::map<std::string, std::string>;  // request path -> body
    using RequestHook = std::function<void(const std::string& path)>;

    explicit LoopbackServer(Handler handler, ssl_ctx_st* tls = nullptr);
    // Serves `pages` by request path ("/code.html"), "404 Not Found" for any
    // other, one request per connection ("Connection: close") and one request
    // at a time, so request hooks run one after the other.
    explicit LoopbackServer(Pages pages);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port><path>" (https with TLS).
    std::string url(std::string_view path) const;
    std::string base_url() const { return url("/"); }
    // Serving pages: called on a server thread with the path of each request
    // before it is answered.
    void on_request(RequestHook hook);
    // Serving pages: answers `path` with another status line, e.g. "500
    // Internal Server Error".
    void answer_with_status(const std::string& path, const std::string& status);
    std::vector<std::string> request_heads() const;
    // Connections accepted so far.
    int connections() const;
    // Closes the listener: later connections are refused, those open stay.
    void stop_listening();

private:
    friend class Connection;
    void accept_loop();
    void serve(int socket);
    void wait_for_stop();
    void answer_page(Connection& connection);

    Handler handler_;
    ssl_ctx_st* tls_;
    std::atomic<int> listener_{-1};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    std::vector<std::string> heads_;
    int connections_ = 0;
    std::vector<std::thread> workers_;
    std::thread acceptor_;

    // Serving pages.
    Pages pages_;
    std::mutex page_mutex_;  // one page answer at a time
    std::map<std::string, std::string> statuses_;
    RequestHook hook_;
};

// A whole response: status line, Content-Length when asked, body.
std::string http_response(std::string_view status, std::string_view body, bool with_length = true);
// A 200 response that keeps the connection open for the next request.
std::string keep_alive_response(std::string_view body, std::string_view extra_headers = {});
// `bytes` gzip-compressed.
std::string gzip(std::string_view bytes);

// A port on 127.0.0.1 that nothing listens on.
int unused_port();

}  // namespace qinghe::testing
