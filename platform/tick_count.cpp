#include "platform/tick_count.h"

#include <chrono>

namespace qinghe::platform {

uint32_t tick_count() {
    auto since_start = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
}

}  // namespace qinghe::platform
