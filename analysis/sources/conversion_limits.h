// Answers larger than any real one (an endless or broken body cut at the
// reader's cap) are converted and read by one worker at a time, so that N
// workers never hold N conversions of that size at once.
#pragma once

#include <cstdint>
#include <mutex>

namespace qinghe::app {

inline constexpr int32_t kLargestConversionAtOnce = 4 << 20;

// Held while an answer above that size is converted and read.
std::mutex& large_conversion_lock();

}  // namespace qinghe::app
