// The loopback server's socket calls on POSIX systems (the Windows side is
// windows/socket_api.h; the build puts the one for its system on the path).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qinghe::testing {

inline void start_sockets() {}
inline void close_socket(int socket) { ::close(socket); }
// poll(2) for input: > 0 readable, 0 timed out, < 0 failed.
inline int poll_readable(int socket, int milliseconds) {
    pollfd waiting{socket, POLLIN, 0};
    return ::poll(&waiting, 1, milliseconds);
}
// Never raises SIGPIPE when the client has hung up.
inline long send_some(int socket, const char* bytes, size_t size) {
    return ::send(socket, bytes, size, MSG_NOSIGNAL);
}
inline void shutdown_sending(int socket) { ::shutdown(socket, SHUT_WR); }
inline void set_socket_timeouts(int socket, int seconds) {
    const timeval timeout{seconds, 0};
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

}  // namespace qinghe::testing
