// How many downloads a run keeps under way at once (同时下载, --parallel).
#pragma once

namespace qinghe::net {

namespace parallel {
inline constexpr int kDefault = 4;
inline constexpr int kMin = 1;
inline constexpr int kMax = 8;
}  // namespace parallel

// `requested` brought into kMin..kMax.
int clamp_parallel(long long requested);

}  // namespace qinghe::net
