// Every limit of the HTTP page reader, named in one place. The defaults are
// what the program runs with; tests lower the time-outs and the body cap and
// trust their own test certificate through set_http_settings.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qinghe::net {

namespace limit {
// Giving up on a server that does not accept the connection (TCP and TLS).
inline constexpr std::chrono::milliseconds kConnectTimeout{15000};
// Giving up on a transfer during which no byte arrives for this long.
inline constexpr std::chrono::milliseconds kStallTimeout{30000};
// Giving up on a transfer that trickles on for longer than this altogether;
// the user may set it (下载超时, --timeout) within the bounds.
inline constexpr std::chrono::seconds kTransferTimeout{120};
inline constexpr std::chrono::seconds kMinTransferTimeout{5};
inline constexpr std::chrono::seconds kMaxTransferTimeout{600};
// Giving up on a transfer slower than this many bytes a second over the
// low-speed time, so a server that trickles cannot hold a page for minutes.
inline constexpr long kLowSpeedBytesPerSecond = 1024;
inline constexpr std::chrono::seconds kLowSpeedTime{20};
// The decoded body is cut here so that an endless or compressed-bomb
// response cannot exhaust memory; no fund page comes near it.
inline constexpr size_t kMaxBodyBytes = size_t(16) << 20;
// Redirects followed before the read gives up.
inline constexpr long kMaxRedirects = 10;
// The user agent every request sends unless a setting names another.
inline constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Receive chunks: without an announced length, and at most.
inline constexpr size_t kDefaultChunkSize = 10240;
inline constexpr size_t kMaxChunkSize = 102400;
// The largest block of a body being received (the blocks are joined once,
// at its end).
inline constexpr size_t kLargestBlock = size_t(1) << 20;
}  // namespace limit

struct HttpSettings {
    std::chrono::milliseconds connect_timeout = limit::kConnectTimeout;
    std::chrono::milliseconds stall_timeout = limit::kStallTimeout;
    std::chrono::seconds transfer_timeout = limit::kTransferTimeout;
    long low_speed_bytes_per_second = limit::kLowSpeedBytesPerSecond;
    std::chrono::seconds low_speed_time = limit::kLowSpeedTime;
    size_t max_body_bytes = limit::kMaxBodyBytes;
    long max_redirects = limit::kMaxRedirects;
    std::string user_agent = limit::kUserAgent;
    // PEM certificates trusted instead of the system's store; empty = the system's.
    std::string trusted_certificates_pem;
};

// The settings every following read uses (thread-safe).
HttpSettings http_settings();
void set_http_settings(HttpSettings settings);
// Changes only the whole-transfer limit of the settings.
void set_transfer_timeout(std::chrono::seconds timeout);

// Room made for a body when its first bytes arrive: the announced
// Content-Length (<= 0: none announced, then one default chunk), never more
// than the cap. A body of the announced length then needs no regrowth.
size_t initial_capacity(int64_t content_length, size_t max_body_bytes);

}  // namespace qinghe::net
