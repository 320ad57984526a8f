// Event dispatch: finding the handler bound to (window, unit, event) in
// the window table and calling it with the event's arguments.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "runtime/event_handler.h"

namespace qinghe {

// The record of host service 2008: up to 5 argument words.
struct EventRecord {
    uint32_t window_id = 0;
    uint32_t unit_id = 0;  // 0 = the window's own unit
    int32_t event = 0;
    int32_t count = 0;
    uint32_t args[5] = {};
    uint32_t has_result = 0;
    uint32_t result = 0;
};

// One typed argument of host service 2031.
struct TypedEventArgument {
    uint32_t lo = 0;
    uint32_t hi = 0;
    uint32_t type = 0;
    uint32_t flags = 0;  // bit 0: by reference (lo); bit 1: both words
};

// The record of host service 2031: up to 12 typed arguments.
struct TypedEventRecord {
    uint32_t window_id = 0;
    uint32_t unit_id = 0;
    int32_t event = 0;
    int32_t count = 0;
    TypedEventArgument args[12] = {};
    uint32_t has_result = 0;
    uint32_t result[2] = {};
};

// The handler bound to the event, or null: none while events are
// suspended or when nothing is bound. A missing window or unit is a
// runtime error. Records the current event source.
EventHandler find_handler(uint32_t window_id, uint32_t unit_id, int32_t event);

// 1 when a handler ran; fills has_result and result.
int32_t fire_event(EventRecord* record);
int32_t fire_typed_event(TypedEventRecord* record);

// Convenience for the form engine: fires an event with word arguments.
HandlerResult raise_event(uint32_t window_id, uint32_t unit_id, int32_t event,
                          std::initializer_list<uint32_t> args = {});
// For the common input events: false when a handler returned false (0).
bool event_lets_pass(uint32_t window_id, uint32_t unit_id, int32_t event,
                     std::initializer_list<uint32_t> args);

// The source of the event being dispatched (host service 2017).
bool current_event_source(uint32_t* window_id, uint32_t* unit_id);

}  // namespace qinghe
