// A plain HTTP server on 127.0.0.1 for application tests: serves fixed
// bodies by request path (404 otherwise), one connection at a time, and
// calls an optional hook with each requested path before it answers. A
// served path can be given another status line, e.g. "404 Not Found".
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>

namespace qinghe::testing {

class PageServer {
public:
    explicit PageServer(std::map<std::string, std::string> pages) : pages_(std::move(pages)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(listener_, 16);
        thread_ = std::thread([this] { serve(); });
    }
    ~PageServer() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    std::string base_url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    // Called on the server thread with the path of each request.
    void on_request(std::function<void(const std::string&)> hook) { hook_ = std::move(hook); }
    // Set before the first request.
    void answer_with_status(const std::string& path, const std::string& status) {
        statuses_[path] = status;
    }

private:
    void serve() {
        while (!stopping_) {
            int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            answer(client);
            ::close(client);
        }
    }

    void answer(int client) {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            head.append(buffer, size_t(n));
        }
        const size_t start = head.find(' ') + 1;
        const std::string path = head.substr(start, head.find(' ', start) - start);
        if (hook_) hook_(path);
        auto found = pages_.find(path);
        const std::string body = found == pages_.end() ? "not found" : found->second;
        auto status = statuses_.find(path);
        const std::string response =
            "HTTP/1.1 " +
            (status != statuses_.end() ? status->second
                                       : found == pages_.end() ? "404 Not Found" : "200 OK") +
            "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
            std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        ::send(client, response.data(), response.size(), MSG_NOSIGNAL);
    }

    std::map<std::string, std::string> pages_;
    std::map<std::string, std::string> statuses_;
    std::function<void(const std::string&)> hook_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace qinghe::testing
