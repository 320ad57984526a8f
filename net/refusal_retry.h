// Throttling: a server that refuses a request for now (429 Too Many
// Requests, 503 Service Unavailable) is asked once more after the wait its
// Retry-After names, at most 10 s honoured; a larger wait or none means 2 s.
// A second refusal counts as no answer.
#pragma once

#include <chrono>
#include <optional>

#include "net/http_transfer.h"

namespace qinghe::net {

namespace refusal {
inline constexpr std::chrono::seconds kLongestHonoured{10};
inline constexpr std::chrono::seconds kDefaultWait{2};
}  // namespace refusal

// The wait before asking again when `result` is a refusal; nothing else.
std::optional<std::chrono::seconds> refusal_wait(const FetchResult& result);

}  // namespace qinghe::net
