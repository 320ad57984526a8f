#include "runtime/event_suspension.h"

#include <atomic>

namespace qinghe {
namespace {
std::atomic<int32_t> g_count{0};
}  // namespace

void raise_event_suspension() { ++g_count; }

void lower_event_suspension() {
    int32_t current = g_count.load();
    while (current > 0 && !g_count.compare_exchange_weak(current, current - 1)) {
    }
}

int32_t event_suspension_count() { return g_count.load(); }

}  // namespace qinghe
