// Event numbers: the common events every unit raises (negative) and the
// form window's own events. Each list gives the number, the constant's name
// and the name the window sources and dumps use, side by side.
#pragma once

#include <cstdint>

// X(number, constant, source name)
#define QINGHE_COMMON_EVENTS(X)         \
    X(-1, kLeftDown, "left_pressed")    \
    X(-2, kLeftUp, "left_released")     \
    X(-3, kDoubleClick, "double_click") \
    X(-4, kRightDown, "right_pressed")  \
    X(-5, kRightUp, "right_released")   \
    X(-6, kMouseMove, "mouse_moved")    \
    X(-7, kFocusIn, "focus_received")   \
    X(-8, kFocusOut, "focus_lost")      \
    X(-9, kKeyDown, "key_pressed")      \
    X(-10, kKeyUp, "key_released")      \
    X(-11, kCharacter, "character")     \
    X(-12, kWheel, "wheel_turned")

// X(number, constant, source name); 7 is not used.
#define QINGHE_FORM_EVENTS(X)                  \
    X(0, kCreated, "created")                  \
    X(1, kCloseQuery, "close_requested")       \
    X(2, kDestroyed, "destroyed")              \
    X(3, kLoaded3, "loaded_3")                 \
    X(4, kLoaded4, "loaded_4")                 \
    X(5, kActivated, "activated")              \
    X(6, kDeactivated, "deactivated")          \
    X(8, kFirstActivation, "first_activation") \
    X(9, kTrayIcon, "tray_icon")               \
    X(10, kShown, "shown")                     \
    X(11, kHidden, "hidden")                   \
    X(12, kCloseRequest, "close_requested_first")

namespace qinghe {

#define QINGHE_EVENT_CONSTANT(number, constant, name) inline constexpr int32_t constant = number;
namespace CommonEvent {
QINGHE_COMMON_EVENTS(QINGHE_EVENT_CONSTANT)
}  // namespace CommonEvent

namespace FormEvent {
QINGHE_FORM_EVENTS(QINGHE_EVENT_CONSTANT)
}  // namespace FormEvent
#undef QINGHE_EVENT_CONSTANT

struct EventName {
    int32_t number;
    const char* name;
};

#define QINGHE_EVENT_NAME(number, constant, name) EventName{number, name},
inline constexpr EventName kCommonEventNames[] = {QINGHE_COMMON_EVENTS(QINGHE_EVENT_NAME)};
inline constexpr EventName kFormEventNames[] = {QINGHE_FORM_EVENTS(QINGHE_EVENT_NAME)};
#undef QINGHE_EVENT_NAME

}  // namespace qinghe
