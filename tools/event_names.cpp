#include "tools/event_names.h"

#include <array>

namespace qinghe::tools {
namespace {

struct EventName {
    int32_t number;
    const char* name;
};

constexpr std::array kCommon{
    EventName{-1, "left_pressed"},   EventName{-2, "left_released"},
    EventName{-3, "double_click"},   EventName{-4, "right_pressed"},
    EventName{-5, "right_released"}, EventName{-6, "mouse_moved"},
    EventName{-7, "focus_received"}, EventName{-8, "focus_lost"},
    EventName{-9, "key_pressed"},    EventName{-10, "key_released"},
    EventName{-11, "character"},     EventName{-12, "wheel_turned"},
};

constexpr std::array kWindow{
    EventName{0, "created"},        EventName{1, "close_requested"},
    EventName{2, "destroyed"},      EventName{3, "loaded_3"},
    EventName{4, "loaded_4"},       EventName{5, "activated"},
    EventName{6, "deactivated"},    EventName{8, "first_activation"},
    EventName{9, "tray_icon"},      EventName{10, "shown"},
    EventName{11, "hidden"},        EventName{12, "close_requested_first"},
};

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
    if (const auto* e = by_name(kCommon, name)) return e->number;
    if (window_unit)
        if (const auto* e = by_name(kWindow, name)) return e->number;
    return std::nullopt;
}

std::string event_name(int32_t event, bool window_unit) {
    if (const auto* e = by_number(kCommon, event)) return e->name;
    if (window_unit)
        if (const auto* e = by_number(kWindow, event)) return e->name;
    return std::to_string(event);
}

}  // namespace qinghe::tools
