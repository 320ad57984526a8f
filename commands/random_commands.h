// Random numbers: one generator seed per thread, so seeding on one thread
// never changes the numbers of another.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

// [lower [, upper]] -> integer in lower .. lower + 32767 at most.
void random_number(TaggedArg* result, int32_t count, TaggedArg* args);
// [seed]: without one, seeds from the tick count and a shared counter.
void seed_random(TaggedArg* result, int32_t count, TaggedArg* args);

}  // namespace qinghe
