// The local time of day as text.
#pragma once

#include <string>

namespace qinghe::platform {

// Now, in strftime's `format`; "%z" is the offset from UTC ("+0800") on
// every system.
std::string local_time_now(const char* format);

}  // namespace qinghe::platform
