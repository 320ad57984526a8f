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

size_t chunk_size_for(int64_t content_length) {
    if (content_length <= 0) return limit::kDefaultChunkSize;
    return size_t(std::min<int64_t>(content_length + 1, int64_t(limit::kMaxChunkSize)));
}

}  // namespace qinghe::net
