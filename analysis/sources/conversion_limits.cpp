#include "analysis/sources/conversion_limits.h"

namespace qinghe::app {

std::mutex& large_conversion_lock() {
    static std::mutex lock;
    return lock;
}

}  // namespace qinghe::app
