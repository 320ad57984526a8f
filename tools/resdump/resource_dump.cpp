#include "tools/resdump/resource_dump.h"

#include <cstdio>

#include "platform/text_encoding.h"
#include "runtime/font_record.h"
#include "runtime/form_resource.h"
#include "runtime/list_tables.h"
#include "runtime/property_block.h"
#include "tools/event_names.h"

namespace qinghe::tools {
namespace {

std::string hex(uint32_t v, int digits = 8) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, v);
    return buffer;
}

std::string quoted(std::string_view gbk) {
    std::string out = "\"";
    for (char c : platform::utf8_from_gbk(gbk)) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else out += c;
    }
    return out + "\"";
}

std::string type_name(uint32_t type) {
    const BlockLayout* layout = block_layout(type);
    return layout ? layout->type_name : hex(type);
}

std::string state_text(uint32_t state) {
    std::string s;
    if (state & UnitState::kVisible) s += " visible";
    if (state & UnitState::kDisabled) s += " disabled";
    if (state & UnitState::kTabStop) s += " tab_stop";
    return s.empty() ? "none" : s.substr(1);
}

std::string handler_text(uint32_t offset, const std::vector<std::string>& names) {
    if (offset == kNoHandler) return "none";
    if (offset < names.size()) return names[offset];
    return "#" + std::to_string(offset);
}

std::string bytes_value(const BlockValue& v) {
    switch (v.field->meaning) {
    case FieldMeaning::Text: return quoted(v.bytes);
    case FieldMeaning::Font: {
        auto f = decode_font_record(v.bytes);
        if (!f)
            return v.bytes.empty() ? "none"
                                   : "invalid (" + std::to_string(v.bytes.size()) + " bytes)";
        return quoted(f->face) + " " + std::to_string(f->pixel_height()) + "px weight " +
               std::to_string(f->weight) + " charset " + std::to_string(f->charset);
    }
    case FieldMeaning::Columns: {
        auto columns = decode_column_table(v.bytes);
        if (!columns) return "invalid column table";
        std::string s;
        for (const auto& c : *columns) s += " " + quoted(c.caption) + ":" + std::to_string(c.width);
        return std::to_string(columns->size()) + " columns" + s;
    }
    case FieldMeaning::Items: {
        auto cells = decode_item_table(v.bytes);
        if (!cells) return "invalid item table";
        size_t rows = 0;
        for (const auto& c : *cells) rows += c.continues_row ? 0 : 1;
        return std::to_string(rows) + " rows, " + std::to_string(cells->size()) + " cells";
    }
    default: return std::to_string(v.bytes.size()) + " bytes";
    }
}

std::string value_text(const BlockValue& v) {
    switch (v.field->meaning) {
    case FieldMeaning::Colour: return hex(v.word, 6);
    case FieldMeaning::Logical: return v.word ? "true" : "false";
    case FieldMeaning::Character: return quoted(std::string(1, char(v.word)));
    case FieldMeaning::Number: return std::to_string(int32_t(v.word));
    default: return bytes_value(v);
    }
}

void dump_properties(const FormUnit& unit, std::string& out) {
    DecodedBlock block;
    BlockStatus status = decode_property_block(unit.type, unit.property_block, block);
    if (status != BlockStatus::Ok) {
        out += "      (property block not readable)\n";
        return;
    }
    out += "      version " + std::to_string(block.version) + "\n";
    for (const auto& v : block.values)
        out += "      " + std::string(v.field->key) + " = " + value_text(v) + "\n";
}

void dump_unit(int index, const FormUnit& unit, const std::vector<std::string>& names,
               bool properties, std::string& out) {
    const bool window_unit = index == 0;
    out += "  unit " + std::to_string(index) + " id " + hex(unit.id) + " " + type_name(unit.type) +
           " " + quoted(unit.name) + " at " + std::to_string(unit.left) + "," +
           std::to_string(unit.top) + " size " + std::to_string(unit.width) + "x" +
           std::to_string(unit.height) + " state " + state_text(unit.state) + " focus " +
           std::to_string(unit.focus_order) + " events";
    if (unit.events.empty()) out += " none";
    for (const auto& b : unit.events)
        out += " " + event_name(b.event, window_unit) + "->" + handler_text(b.offset, names);
    out += " block " + std::to_string(unit.property_block.size()) + " bytes\n";
    if (properties) dump_properties(unit, out);
}

}  // namespace

DumpResult dump_form_resource(const uint8_t* block, size_t length,
                              const std::vector<std::string>& handler_names, bool properties) {
    WindowTable table;
    std::string error;
    if (!parse_form_resource(block, length, table, &error))
        return {false, "unreadable window resource: " + error + "\n"};
    std::string out;
    for (const auto& window : table.windows) {
        out += "window " + hex(window.id) + " units " + std::to_string(window.units.size()) + "\n";
        for (size_t i = 0; i < window.units.size(); ++i)
            dump_unit(int(i), window.units[i], handler_names, properties, out);
    }
    out += "windows " + std::to_string(table.windows.size()) + " consumed " +
           std::to_string(length) + " of " + std::to_string(length) + " bytes\n";
    return {true, out};
}

}  // namespace qinghe::tools
