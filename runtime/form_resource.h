// The window resource: every window of the program with its units, read
// from the serialized block the build carries, and written back by the
// resource compiler. Windows are created from these records on demand;
// property reads of unloaded units fall back to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/event_handler.h"

namespace qinghe {

inline constexpr uint32_t kNoHandler = 0xFFFFFFFF;
inline constexpr uint32_t kMenuItemType = 0x00010003;

namespace UnitState {
inline constexpr uint32_t kVisible = 1;
inline constexpr uint32_t kDisabled = 2;
inline constexpr uint32_t kTabStop = 4;
}  // namespace UnitState

struct EventBinding {
    int32_t event = 0;
    uint32_t offset = kNoHandler;    // as stored: index into the handler table
    EventHandler handler = nullptr;  // after relocation; null = no handler
};

// One unit: the window's own unit (index 0), a component or a menu item.
struct FormUnit {
    uint32_t id = 0;
    uint32_t type = 0;
    uint32_t array_base = 0;
    std::string name;  // GBK
    std::string text2;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t parent = 0;
    std::vector<uint32_t> children;  // pages separated by 0 words
    std::string mouse_pointer;
    std::string tag;
    uint32_t word_b = 0;
    uint32_t state = 0;
    int32_t focus_order = 0;
    std::vector<EventBinding> events;  // a menu item has exactly one, event 0
    std::string property_block;
    // Menu items only.
    uint32_t menu_words[2] = {};
    std::string caption;

    // Run-time slots, never serialized.
    void* object = nullptr;
    void* cursor = nullptr;

    bool menu_item() const { return type == kMenuItemType; }
    bool visible() const { return state & UnitState::kVisible; }
    bool disabled() const { return state & UnitState::kDisabled; }
    bool tab_stop() const { return state & UnitState::kTabStop; }
    // The first binding of `event`, or null.
    const EventBinding* binding(int32_t event) const;
};

struct FormWindow {
    uint32_t id = 0;  // from the window table
    uint32_t word_a = 0;
    uint32_t record_id = 0;  // kind 1, class 9; not interpreted
    std::string text1, text2;
    std::vector<FormUnit> units;        // unit 0 is the window's own unit
    std::vector<FormUnit> saved_units;  // run time: the state before a load
    void* object = nullptr;             // run-time slot of the window table
};

struct WindowTable {
    std::vector<FormWindow> windows;

    FormWindow* find(uint32_t window_id);
    const FormWindow* find(uint32_t window_id) const;
};

// Parses a block. A truncated or inconsistent block (bad lengths, offsets
// outside the unit buffer, bytes left over) yields false with a reason in
// `error`, and `table` is left empty. Handlers stay unrelocated.
bool parse_form_resource(const uint8_t* data, size_t length, WindowTable& table,
                         std::string* error = nullptr);
std::string encode_form_resource(const WindowTable& table);

// Turns every stored handler offset into the entry of the handler table
// (code base + offset); 0xFFFFFFFF becomes no handler. An offset past the
// end of the table fails.
bool relocate_handlers(WindowTable& table, const EventHandler* code_base, size_t handler_count,
                       std::string* error = nullptr);

// Parse and relocate: what runtime initialisation does once.
bool load_form_resources(const uint8_t* block, size_t length, const EventHandler* code_base,
                         size_t handler_count, WindowTable& table, std::string* error = nullptr);

FormUnit* unit_at(FormWindow& window, int32_t index);
const FormUnit* unit_at(const FormWindow& window, int32_t index);
// Id 0 and the id of unit 0 both give the window's own unit.
FormUnit* find_unit(FormWindow& window, uint32_t unit_id, int32_t* index = nullptr);
const FormUnit* find_unit(const FormWindow& window, uint32_t unit_id, int32_t* index = nullptr);
bool is_menu_item(uint32_t unit_id);

}  // namespace qinghe
