// Milliseconds from a steady clock, wrapping at 32 bits: the tick count
// that timing and automatic seeding use.
#pragma once

#include <cstdint>

namespace qinghe::platform {

uint32_t tick_count();

}  // namespace qinghe::platform
