#include "runtime/form_resource.h"

#include "runtime/byte_stream.h"
#include "runtime/values.h"

namespace qinghe {
namespace {

constexpr size_t kReservedHeaderWords = 4;
constexpr size_t kReservedTailBytes = 20;

bool fail(std::string* error, std::string reason) {
    if (error) *error = std::move(reason);
    return false;
}

void read_menu_item(ByteReader& r, FormUnit& unit) {
    unit.menu_words[0] = r.u32();
    unit.menu_words[1] = r.u32();
    unit.state = r.u32();
    unit.caption = r.z_text();
    unit.events.assign(1, EventBinding{0, r.u32(), nullptr});
}

// The variable part after the two z-texts of a window or component unit.
bool read_component(ByteReader& r, FormUnit& unit) {
    r.u32();  // object slot: run time only
    unit.left = r.i32();
    unit.top = r.i32();
    unit.width = r.i32();
    unit.height = r.i32();
    r.u32();  // cursor slot: run time only
    unit.parent = r.u32();
    uint32_t children = r.u32();
    if (children > r.remaining() / 4) return false;
    unit.children.resize(children);
    for (auto& child : unit.children) child = r.u32();
    unit.mouse_pointer = r.counted();
    unit.tag = r.z_text();
    unit.word_b = r.u32();
    unit.state = r.u32();
    unit.focus_order = r.i32();
    uint32_t events = r.u32();
    if (events > r.remaining() / 8) return false;
    unit.events.resize(events);
    for (auto& binding : unit.events) {
        binding.event = r.i32();
        binding.offset = r.u32();
    }
    r.skip(kReservedTailBytes);
    if (!r.ok()) return false;
    unit.property_block = r.bytes(r.remaining());
    return true;
}

bool read_unit_data(std::string_view data, FormUnit& unit) {
    ByteReader r(data);
    unit.type = r.u32();
    unit.array_base = r.u32();
    r.skip(4 * kReservedHeaderWords);
    unit.name = r.z_text();
    unit.text2 = r.z_text();
    if (!r.ok()) return false;
    if (unit.menu_item()) {
        read_menu_item(r, unit);
        return r.at_end();
    }
    return read_component(r, unit) && r.ok();
}

bool read_unit_buffer(std::string_view buffer, uint32_t count, std::vector<FormUnit>& units,
                      std::string* error) {
    if (count == 0) return fail(error, "window without units");
    if (count > buffer.size() / 8) return fail(error, "unit count exceeds the unit buffer");
    ByteReader r(buffer);
    units.resize(count);
    for (auto& unit : units) unit.id = r.u32();
    const size_t records = 8 * size_t(count);
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t offset = r.u32();
        if (offset > buffer.size() - records) return fail(error, "unit offset outside the buffer");
        ByteReader record(buffer.substr(records + offset));
        std::string_view data = record.counted();
        if (!record.ok()) return fail(error, "unit record runs past the buffer");
        if (!read_unit_data(data, units[k]))
            return fail(error, "unit " + std::to_string(k) + " data is truncated");
    }
    return true;
}

bool read_window(ByteReader& r, FormWindow& window, std::string* error) {
    window.word_a = r.u32();
    window.record_id = r.u32();
    window.text1 = r.counted();
    window.text2 = r.counted();
    uint32_t count = r.u32();
    std::string_view buffer = r.counted();
    if (!r.ok()) return fail(error, "window record is truncated");
    return read_unit_buffer(buffer, count, window.units, error);
}

void write_unit_data(ByteWriter& w, const FormUnit& unit) {
    w.u32(unit.type);
    w.u32(unit.array_base);
    for (size_t i = 0; i < kReservedHeaderWords; ++i) w.u32(0);
    w.z_text(unit.name);
    w.z_text(unit.text2);
    if (unit.menu_item()) {
        w.u32(unit.menu_words[0]);
        w.u32(unit.menu_words[1]);
        w.u32(unit.state);
        w.z_text(unit.caption);
        w.u32(unit.events.empty() ? kNoHandler : unit.events.front().offset);
        return;
    }
    w.u32(0);
    w.i32(unit.left);
    w.i32(unit.top);
    w.i32(unit.width);
    w.i32(unit.height);
    w.u32(0);
    w.u32(unit.parent);
    w.u32(uint32_t(unit.children.size()));
    for (uint32_t child : unit.children) w.u32(child);
    w.counted(unit.mouse_pointer);
    w.z_text(unit.tag);
    w.u32(unit.word_b);
    w.u32(unit.state);
    w.i32(unit.focus_order);
    w.u32(uint32_t(unit.events.size()));
    for (const auto& binding : unit.events) {
        w.i32(binding.event);
        w.u32(binding.offset);
    }
    for (size_t i = 0; i < kReservedTailBytes; ++i) w.u8(0);
    w.bytes(unit.property_block);
}

std::string unit_buffer(const std::vector<FormUnit>& units) {
    ByteWriter ids, offsets, records;
    for (const auto& unit : units) {
        ids.u32(unit.id);
        offsets.u32(uint32_t(records.data().size()));
        ByteWriter data;
        write_unit_data(data, unit);
        records.counted(data.data());
    }
    return ids.data() + offsets.data() + records.data();
}

}  // namespace

const EventBinding* FormUnit::binding(int32_t event) const {
    for (const auto& b : events)
        if (b.event == event) return &b;
    return nullptr;
}

FormWindow* WindowTable::find(uint32_t window_id) {
    for (auto& w : windows)
        if (w.id == window_id) return &w;
    return nullptr;
}

const FormWindow* WindowTable::find(uint32_t window_id) const {
    return const_cast<WindowTable*>(this)->find(window_id);
}

bool parse_form_resource(const uint8_t* data, size_t length, WindowTable& table,
                         std::string* error) {
    table.windows.clear();
    ByteReader r(data, length);
    uint32_t table_length = r.u32();
    if (!r.ok() || table_length % 8 != 0 || table_length > r.remaining())
        return fail(error, "window table length is invalid");
    std::vector<FormWindow> windows(table_length / 8);
    for (auto& window : windows) window.id = r.u32();
    r.skip(table_length / 2);  // run-time object slots
    for (auto& window : windows) {
        if (!read_window(r, window, error)) return false;
    }
    if (!r.at_end())
        return fail(error, std::to_string(r.remaining()) + " bytes left after the last window");
    table.windows = std::move(windows);
    return true;
}

std::string encode_form_resource(const WindowTable& table) {
    ByteWriter w;
    w.u32(uint32_t(8 * table.windows.size()));
    for (const auto& window : table.windows) w.u32(window.id);
    for (size_t i = 0; i < table.windows.size(); ++i) w.u32(0);
    for (const auto& window : table.windows) {
        w.u32(window.word_a);
        w.u32(window.record_id);
        w.counted(window.text1);
        w.counted(window.text2);
        w.u32(uint32_t(window.units.size()));
        w.counted(unit_buffer(window.units));
    }
    return w.take();
}

bool relocate_handlers(WindowTable& table, const EventHandler* code_base, size_t handler_count,
                       std::string* error) {
    for (auto& window : table.windows) {
        for (auto& unit : window.units) {
            for (auto& binding : unit.events) {
                if (binding.offset == kNoHandler) {
                    binding.handler = nullptr;
                } else if (binding.offset < handler_count) {
                    binding.handler = code_base[binding.offset];
                } else {
                    return fail(error, "handler offset " + std::to_string(binding.offset) +
                                           " is outside the handler table");
                }
            }
        }
    }
    return true;
}

bool load_form_resources(const uint8_t* block, size_t length, const EventHandler* code_base,
                         size_t handler_count, WindowTable& table, std::string* error) {
    if (!parse_form_resource(block, length, table, error)) return false;
    if (relocate_handlers(table, code_base, handler_count, error)) return true;
    table.windows.clear();
    return false;
}

FormUnit* unit_at(FormWindow& window, int32_t index) {
    if (index < 0 || size_t(index) >= window.units.size()) return nullptr;
    return &window.units[size_t(index)];
}

const FormUnit* unit_at(const FormWindow& window, int32_t index) {
    return unit_at(const_cast<FormWindow&>(window), index);
}

FormUnit* find_unit(FormWindow& window, uint32_t unit_id, int32_t* index) {
    if (window.units.empty()) return nullptr;
    if (unit_id == 0) unit_id = window.units.front().id;
    for (size_t i = 0; i < window.units.size(); ++i) {
        if (window.units[i].id != unit_id) continue;
        if (index) *index = int32_t(i);
        return &window.units[i];
    }
    return nullptr;
}

const FormUnit* find_unit(const FormWindow& window, uint32_t unit_id, int32_t* index) {
    return find_unit(const_cast<FormWindow&>(window), unit_id, index);
}

bool is_menu_item(uint32_t unit_id) { return Id::is_menu_item(unit_id); }

}  // namespace qinghe
