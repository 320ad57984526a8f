#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <stdexcept>

namespace qinghe::testing {
namespace {

constexpr size_t kMaxHeadBytes = 65536;
constexpr timeval kSocketTimeout{5, 0};

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

void add_extension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension) throw std::runtime_error("certificate extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509* self_signed_certificate(EVP_PKEY* key) {
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    add_extension(certificate, NID_basic_constraints, "critical,CA:TRUE");
    add_extension(certificate, NID_subject_alt_name, "IP:127.0.0.1");
    X509_sign(certificate, key, EVP_sha256());
    return certificate;
}

std::string pem_of(X509* certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate);
    BUF_MEM* memory = nullptr;
    BIO_get_mem_ptr(bio, &memory);
    std::string pem(memory->data, memory->length);
    BIO_free(bio);
    return pem;
}

}  // namespace

TestCertificate::TestCertificate() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key) throw std::runtime_error("test key");
    X509* certificate = self_signed_certificate(key);
    pem_ = pem_of(certificate);
    context_ = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate(context_, certificate);
    SSL_CTX_use_PrivateKey(context_, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
}

TestCertificate::~TestCertificate() { SSL_CTX_free(context_); }

Connection::Connection(int socket, SSL* tls, LoopbackServer& server)
    : socket_(socket), tls_(tls), server_(server) {
    read_head();
}

Connection::~Connection() {
    // A graceful close: the client sees the end of the body, not a reset.
    if (tls_) {
        SSL_shutdown(tls_);
        SSL_free(tls_);
        tls_ = nullptr;
    }
    shutdown(socket_, SHUT_WR);
    char drain[4096];
    while (wait_readable() && recv(socket_, drain, sizeof drain, 0) > 0) {
    }
    close(socket_);
}

// Polls in short steps so that a connection kept alive by the client never
// holds up the server's stop.
bool Connection::wait_readable() {
    while (!server_.stopping_) {
        if (tls_ && SSL_pending(tls_) > 0) return true;
        pollfd waiting{socket_, POLLIN, 0};
        if (poll(&waiting, 1, 20) != 0) return true;
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
            tls_ ? SSL_read(tls_, block, sizeof block) : recv(socket_, block, sizeof block, 0);
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
        long sent = tls_ ? SSL_write(tls_, bytes.data(), int(bytes.size()))
                         : ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(size_t(sent));
    }
    return true;
}

void Connection::stay_silent() { server_.wait_for_stop(); }

LoopbackServer::LoopbackServer(Handler handler, SSL_CTX* tls)
    : handler_(std::move(handler)), tls_(tls) {
    // Plain sends never raise SIGPIPE; TLS writes to a client that hung up
    // would end the test.
    if (tls_) std::signal(SIGPIPE, SIG_IGN);
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
    if (listener >= 0) close(listener);
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
        pollfd waiting{listener, POLLIN, 0};
        if (poll(&waiting, 1, 20) <= 0) continue;
        int socket = accept(listener, nullptr, nullptr);
        if (socket < 0) continue;
        setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &kSocketTimeout, sizeof kSocketTimeout);
        setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &kSocketTimeout, sizeof kSocketTimeout);
        std::lock_guard lock(mutex_);
        ++connections_;
        workers_.emplace_back([this, socket] { serve(socket); });
    }
}

void LoopbackServer::serve(int socket) {
    SSL* tls = nullptr;
    if (tls_) {
        tls = SSL_new(tls_);
        SSL_set_fd(tls, socket);
        if (SSL_accept(tls) <= 0) {
            SSL_free(tls);
            close(socket);
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
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback_address(0);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int port = bound_port(probe);
    close(probe);
    return port;
}

}  // namespace qinghe::testing
