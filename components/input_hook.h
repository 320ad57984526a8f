// The form window's input hook: an application-wide event filter that sees
// every input event for a form window and its components before the
// target does. It moves the focus with Tab, Shift+Tab and Enter, hands
// Enter to a component that takes it, closes on Esc, opens help on F1,
// and raises the common events -1 ... -6, -9 ... -12 (and -7, -8
// on focus changes), swallowing the input when a handler returns false.
#pragma once

#include <cstdint>

#include "runtime/event_numbers.h"

class QKeyEvent;

namespace qinghe {

namespace KeyState {
inline constexpr uint32_t kCtrl = 1;
inline constexpr uint32_t kShift = 2;
inline constexpr uint32_t kAlt = 4;
}  // namespace KeyState

// Installs the hook once on the application.
void install_input_hook();

// The virtual-key code of a key event (keypad digits as the main digits,
// keypad minus, point and divide as 189, 190, 191), 0 when none.
uint32_t virtual_key_code(const QKeyEvent& event);
// Key state bits of the event; `omit_own` leaves out the modifier that is
// the key itself (for the key events).
uint32_t key_state(const QKeyEvent& event, bool omit_own);

}  // namespace qinghe
