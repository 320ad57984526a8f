#include "net/refusal_retry.h"

namespace qinghe::net {

std::optional<std::chrono::seconds> refusal_wait(const FetchResult& result) {
    if (result.status != 429 && result.status != 503) return std::nullopt;
    const std::chrono::seconds named{result.retry_after};
    if (named.count() > 0 && named <= refusal::kLongestHonoured) return named;
    return refusal::kDefaultWait;
}

}  // namespace qinghe::net
