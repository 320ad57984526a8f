#include "tools/event_names.h"

#include "runtime/event_numbers.h"

namespace qinghe::tools {
namespace {

template <typename Table>
const EventName* by_name(const Table& table, std::string_view name) {
    for (const auto& e : table)
        if (name == e.name) return &e;
    return nullptr;
}

template <typename Table>
const EventName* by_number(const Table& table, int32_t number) {
    for (const auto& e : table)
        if (e.number == number) return &e;
    return nullptr;
}

}  // namespace

std::optional<int32_t> event_number(std::string_view name, bool window_unit) {
    if (const auto* e = by_name(kCommonEventNames, name)) return e->number;
    if (window_unit)
        if (const auto* e = by_name(kFormEventNames, name)) return e->number;
    return std::nullopt;
}

std::string event_name(int32_t event, bool window_unit) {
    if (const auto* e = by_number(kCommonEventNames, event)) return e->name;
    if (window_unit)
        if (const auto* e = by_number(kFormEventNames, event)) return e->name;
    return std::to_string(event);
}

}  // namespace qinghe::tools
