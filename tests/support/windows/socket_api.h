// The loopback server's socket calls on Windows (Winsock). Sockets are kept
// in an int as on POSIX systems: Winsock's handles are small numbers.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

namespace qinghe::testing {

inline void start_sockets() {
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}
inline void close_socket(int socket) { ::closesocket(SOCKET(socket)); }
inline int poll_readable(int socket, int milliseconds) {
    WSAPOLLFD waiting{SOCKET(socket), POLLRDNORM, 0};
    return ::WSAPoll(&waiting, 1, milliseconds);
}
inline long send_some(int socket, const char* bytes, size_t size) {
    return ::send(SOCKET(socket), bytes, int(size), 0);
}
inline void shutdown_sending(int socket) { ::shutdown(SOCKET(socket), SD_SEND); }
inline void set_socket_timeouts(int socket, int seconds) {
    const DWORD timeout = DWORD(seconds) * 1000;
    setsockopt(SOCKET(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    setsockopt(SOCKET(socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
}

}  // namespace qinghe::testing
