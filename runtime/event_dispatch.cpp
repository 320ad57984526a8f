#include "runtime/event_dispatch.h"

#include <algorithm>
#include <vector>

#include "platform/text_encoding.h"
#include "runtime/event_suspension.h"
#include "runtime/frame.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_object.h"
#include "runtime/values.h"

namespace qinghe {
namespace {

struct EventSource {
    uint32_t window_id = 0;
    uint32_t unit_id = 0;
    bool set = false;
};
EventSource g_source;

[[noreturn]] void report(const char* utf8, uint32_t window_id, uint32_t unit_id) {
    report_error(platform::gbk_from_utf8(utf8).c_str(), 0, window_id, unit_id);
}

// Argument words of a typed argument, widened as the handler expects them.
void push_typed(const TypedEventArgument& a, std::vector<uint32_t>& words) {
    const uint32_t base = TypeTag::without_array(a.type);
    if (a.flags & 1) {
        words.push_back(a.lo);
    } else if ((a.flags & 2) || a.type == 0x00010003 || base == TypeTag::kDateTime ||
               base == TypeTag::kEightByte || base == TypeTag::kLong || base == TypeTag::kDouble) {
        words.push_back(a.lo);
        words.push_back(a.hi);
    } else if (base == TypeTag::kByte) {
        words.push_back(a.lo & 0xFF);
    } else if (base == TypeTag::kShort) {
        words.push_back(uint32_t(int32_t(int16_t(a.lo & 0xFFFF))));
    } else {
        words.push_back(a.lo);
    }
}

HandlerResult call(uint32_t window_id, uint32_t unit_id, int32_t event,
                   const std::vector<uint32_t>& words, bool* ran) {
    *ran = false;
    const EventSource outer = g_source;  // a handler may raise events itself
    EventHandler handler = find_handler(window_id, unit_id, event);
    if (!handler) return {};
    *ran = true;
    HandlerResult r = handler(words.data(), int32_t(words.size()));
    g_source = outer;
    return r;
}

}  // namespace

EventHandler find_handler(uint32_t window_id, uint32_t unit_id, int32_t event) {
    if (events_suspended()) return nullptr;
    FormWindow* window = window_table().find(window_id);
    if (!window) report("未找到引发事件的窗口", window_id, unit_id);
    const FormUnit* unit = find_unit(*window, unit_id);
    if (!unit) report("未找到引发事件的窗口组件", window_id, unit_id);
    // Units of a component array share the first one's bindings.
    for (int guard = 0; unit->array_base && guard < 64; ++guard) {
        const FormUnit* base = find_unit(*window, unit->array_base);
        if (!base || base->type != unit->type || base == unit) break;
        unit = base;
    }
    const DataTypeRecord* type = data_type_record(unit->type);
    if (!unit->menu_item() &&
        (!type || !(type->flags & (TypeFlag::kRaisesEvents | TypeFlag::kRaisesEventsAlt))))
        report("引发事件的窗口组件无效", window_id, unit_id);
    const EventBinding* binding = unit->menu_item()
                                      ? (unit->events.empty() ? nullptr : &unit->events.front())
                                      : unit->binding(event);
    if (!binding || !binding->handler) return nullptr;
    g_source = {window_id, unit_id ? unit_id : window->units.front().id, true};
    return binding->handler;
}

int32_t fire_event(EventRecord* record) {
    int32_t count = std::clamp(record->count, 0, 5);
    std::vector<uint32_t> words(record->args, record->args + count);
    bool ran = false;
    HandlerResult r = call(record->window_id, record->unit_id, record->event, words, &ran);
    if (r.has_value) {
        record->has_result = 1;
        record->result = r.lo;
    }
    return ran ? 1 : 0;
}

int32_t fire_typed_event(TypedEventRecord* record) {
    int32_t count = std::clamp(record->count, 0, 12);
    std::vector<uint32_t> words;
    for (int32_t i = 0; i < count; ++i) push_typed(record->args[i], words);
    bool ran = false;
    HandlerResult r = call(record->window_id, record->unit_id, record->event, words, &ran);
    if (r.has_value) {
        record->has_result = 1;
        record->result[0] = r.lo;
        record->result[1] = r.hi;
    }
    return ran ? 1 : 0;
}

HandlerResult raise_event(uint32_t window_id, uint32_t unit_id, int32_t event,
                          std::initializer_list<uint32_t> args) {
    bool ran = false;
    return call(window_id, unit_id, event, std::vector<uint32_t>(args), &ran);
}

bool event_lets_pass(uint32_t window_id, uint32_t unit_id, int32_t event,
                     std::initializer_list<uint32_t> args) {
    HandlerResult r = raise_event(window_id, unit_id, event, args);
    return !(r.has_value && r.lo == 0);
}

bool current_event_source(uint32_t* window_id, uint32_t* unit_id) {
    if (!g_source.set) return false;
    *window_id = g_source.window_id;
    *unit_id = g_source.unit_id;
    return true;
}

}  // namespace qinghe
