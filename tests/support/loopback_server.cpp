#include "support/loopback_server.h"

#include <zlib.h>

#include <stdexcept>

#include "socket_api.h"
#include "support/loopback_tls.h"

namespace qinghe::testing {
namespace {

constexpr size_t kMaxHeadBytes = 65536;
constexpr int kSocketTimeoutSeconds = 5;

sockaddr_in loopback_address(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int bound_port(int socket) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace

Connection::Connection(int socket, ssl_st* tls, LoopbackServer& server)
    : socket_(socket), tls_(tls), server_(server) {
    read_head();
}

Connection::~Connection() {
    // A graceful close: the client sees the end of the body, not a reset.
    if (tls_) {
        tls_close(tls_);
        tls_ = nullptr;
    }
    shutdown_sending(socket_);
    char drain[4096];
    while (wait_readable() && recv(socket_, drain, sizeof drain, 0) > 0) {
    }
    close_socket(socket_);
}

// Polls in short steps so that a connection kept alive by the client never
// holds up the server's stop.
bool Connection::wait_readable() {
    while (!server_.stopping_) {
        if (tls_ && tls_pending(tls_)) return true;
        if (poll_readable(socket_, 20) != 0) return true;
    }
    return false;
}

bool Connection::next_request() {
    head_.clear();
    read_head();
    if (head_.empty()) return false;
    std::lock_guard lock(server_.mutex_);
    server_.heads_.push_back(head_);
    return true;
}

void Connection::read_head() {
    char block[4096];
    while (head_.find("\r\n\r\n") == std::string::npos && head_.size() < kMaxHeadBytes) {
        if (!wait_readable()) break;
        long got =
            tls_ ? tls_read(tls_, block, sizeof block) : recv(socket_, block, sizeof block, 0);
        if (got <= 0) break;
        head_.append(block, size_t(got));
    }
}

std::string Connection::target() const {
    size_t start = head_.find(' ');
    if (start == std::string::npos) return {};
    size_t end = head_.find(' ', start + 1);
    return head_.substr(start + 1, end == std::string::npos ? end : end - start - 1);
}

bool Connection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        long sent = tls_ ? tls_write(tls_, bytes.data(), bytes.size())
                         : send_some(socket_, bytes.data(), bytes.size());
        if (sent <= 0) return false;
        bytes.remove_prefix(size_t(sent));
    }
    return true;
}

void Connection::stay_silent() { server_.wait_for_stop(); }

LoopbackServer::LoopbackServer(Handler handler, ssl_ctx_st* tls)
    : handler_(std::move(handler)), tls_(tls) {
    start_sockets();
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback_address(0);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0)
        throw std::runtime_error("loopback listen");
    port_ = bound_port(listener);
    listener_ = listener;
    acceptor_ = std::thread([this] { accept_loop(); });
}

LoopbackServer::LoopbackServer(Pages pages)
    : LoopbackServer([this](Connection& connection) { answer_page(connection); }) {
    std::lock_guard lock(page_mutex_);
    pages_ = std::move(pages);
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    acceptor_.join();
    for (std::thread& worker : workers_) worker.join();
    stop_listening();
}

void LoopbackServer::stop_listening() {
    int listener = listener_.exchange(-1);
    if (listener >= 0) close_socket(listener);
}

int LoopbackServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

std::string LoopbackServer::url(std::string_view path) const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
           std::string(path);
}

std::vector<std::string> LoopbackServer::request_heads() const {
    std::lock_guard lock(mutex_);
    return heads_;
}

void LoopbackServer::accept_loop() {
    while (!stopping_) {
        int listener = listener_;
        if (listener < 0) return;
        if (poll_readable(listener, 20) <= 0) continue;
        int socket = accept(listener, nullptr, nullptr);
        if (socket < 0) continue;
        set_socket_timeouts(socket, kSocketTimeoutSeconds);
        std::lock_guard lock(mutex_);
        ++connections_;
        workers_.emplace_back([this, socket] { serve(socket); });
    }
}

void LoopbackServer::serve(int socket) {
    ssl_st* tls = nullptr;
    if (tls_) {
        tls = tls_accept(tls_, socket);
        if (!tls) {
            close_socket(socket);
            return;
        }
    }
    Connection connection(socket, tls, *this);
    {
        std::lock_guard lock(mutex_);
        heads_.push_back(connection.head());
    }
    if (!connection.head().empty()) handler_(connection);
}

void LoopbackServer::on_request(RequestHook hook) {
    std::lock_guard lock(page_mutex_);
    hook_ = std::move(hook);
}

void LoopbackServer::answer_with_status(const std::string& path, const std::string& status) {
    std::lock_guard lock(page_mutex_);
    statuses_[path] = status;
}

void LoopbackServer::answer_page(Connection& connection) {
    if (connection.head().find("\r\n\r\n") == std::string::npos) return;
    std::lock_guard lock(page_mutex_);
    const std::string path = connection.target();
    if (hook_) hook_(path);
    auto page = pages_.find(path);
    const bool found = page != pages_.end();
    const std::string body = found ? page->second : "not found";
    auto status = statuses_.find(path);
    connection.send("HTTP/1.1 " +
                    (status != statuses_.end() ? status->second
                     : found                   ? "200 OK"
                                               : "404 Not Found") +
                    "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
}

void LoopbackServer::wait_for_stop() {
    std::unique_lock lock(mutex_);
    stopped_.wait(lock, [this] { return stopping_.load(); });
}

std::string http_response(std::string_view status, std::string_view body, bool with_length) {
    std::string response = "HTTP/1.0 " + std::string(status) + "\r\n";
    if (with_length) response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return response + "\r\n" + std::string(body);
}

std::string keep_alive_response(std::string_view body, std::string_view extra_headers) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           std::string(extra_headers) + "\r\n" + std::string(body);
}

std::string gzip(std::string_view bytes) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, uLong(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

int unused_port() {
    start_sockets();
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback_address(0);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int port = bound_port(probe);
    close_socket(probe);
    return port;
}

}  // namespace qinghe::testing
