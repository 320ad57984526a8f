#include "commands/random_commands.h"

#include <algorithm>
#include <atomic>

#include "platform/tick_count.h"

namespace qinghe {
namespace {

thread_local uint32_t t_seed = 1;
// Shared by all threads, only so that two automatic seedings in the same
// millisecond differ; a lost update merely changes a seed.
std::atomic<uint32_t> g_seeding_counter{0};

int32_t next_random() {
    t_seed = t_seed * 214013u + 2531011u;
    return int32_t((t_seed >> 16) & 0x7FFF);
}

// A given bound, clamped at 0; `fallback` when omitted.
int32_t bound_argument(int32_t count, const TaggedArg* args, int32_t index, int32_t fallback) {
    if (index >= count || args[index].omitted()) return fallback;
    return std::max(args[index].as_int(), 0);
}

}  // namespace

void random_number(TaggedArg* result, int32_t count, TaggedArg* args) {
    int32_t lower = bound_argument(count, args, 0, 0);
    int32_t upper = bound_argument(count, args, 1, 0x7FFFFFFF);
    if (lower > upper) std::swap(lower, upper);
    int32_t value = lower;
    if (lower != upper) {
        uint32_t range = std::min(uint32_t(upper - lower), 0x7FFFFFFEu);
        value = lower + int32_t(uint32_t(next_random()) % (range + 1));
    }
    *result = TaggedArg::of_int(value);
}

void seed_random(TaggedArg*, int32_t count, TaggedArg* args) {
    if (count > 0 && !args[0].omitted()) {
        t_seed = args[0].lo;
        return;
    }
    uint32_t counter = g_seeding_counter.load(std::memory_order_relaxed);
    uint32_t t = platform::tick_count() + counter;
    g_seeding_counter.store(counter + (t & 0xFF) + 100, std::memory_order_relaxed);
    t_seed = t;
}

}  // namespace qinghe
