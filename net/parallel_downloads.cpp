#include "net/parallel_downloads.h"

#include <algorithm>

namespace qinghe::net {

int clamp_parallel(long long requested) {
    return int(std::clamp<long long>(requested, parallel::kMin, parallel::kMax));
}

}  // namespace qinghe::net
