#include "net/http_settings.h"

#include <algorithm>
#include <mutex>

namespace qinghe::net {
namespace {

std::mutex g_settings_mutex;
HttpSettings g_settings;

}  // namespace

HttpSettings http_settings() {
    std::lock_guard lock(g_settings_mutex);
    return g_settings;
}

void set_http_settings(HttpSettings settings) {
    std::lock_guard lock(g_settings_mutex);
    g_settings = std::move(settings);
}

void set_transfer_timeout(std::chrono::seconds timeout) {
    std::lock_guard lock(g_settings_mutex);
    g_settings.transfer_timeout = timeout;
}

size_t initial_capacity(int64_t content_length, size_t max_body_bytes) {
    size_t wanted = content_length > 0 ? size_t(content_length) : limit::kDefaultChunkSize;
    return std::min(wanted, max_body_bytes);
}

}  // namespace qinghe::net
