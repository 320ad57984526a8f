// An application event handler, as the window resource binds it: called
// with the event's arguments as 32-bit words, argument 0 first. A handler
// that returns a value sets `has_value`; a two-word value uses `hi` too.
#pragma once

#include <cstdint>

namespace qinghe {

struct HandlerResult {
    bool has_value = false;
    uint32_t lo = 0;
    uint32_t hi = 0;

    static HandlerResult none() { return {}; }
    static HandlerResult of(uint32_t lo, uint32_t hi = 0) { return {true, lo, hi}; }
};

using EventHandler = HandlerResult (*)(const uint32_t* args, int32_t count);

}  // namespace qinghe
