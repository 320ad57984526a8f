// The runtime object's form engine: the window table with the live window
// objects, window loading, the message loop with its modal form and idle
// list, and the end of the program.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/form_resource.h"

class QWidget;

namespace qinghe {

// Replaces the window table (start-up; tests build their own).
void install_window_table(WindowTable table);
WindowTable& window_table();

// Loads a window and completes the load (host service 2005): 0 on
// success, -1 when the id is not in the window table or the load failed.
int32_t load_window(uint32_t window_id, QWidget* owner, bool modal);
// Loads the start-up window; a failure is the runtime error "载入启动窗口失败".
void load_start_window(uint32_t window_id);
// Completes a fresh load: for a modal window the modal loop, which returns
// when the window is gone.
void complete_window_load(uint32_t window_id);
// Builds a component again from its serialised properties (after a
// property change that asks for it), in the old one's place.
void recreate_component(uint32_t window_id, uint32_t unit_id);
// Runs the message loop while at least one loaded window is alive.
void run_message_loop();

// The live object of a unit (unit 0 = the window), or null (service 2006);
// service 2007 reports the missing object.
QWidget* find_object(uint32_t window_id, uint32_t unit_id);
QWidget* require_object(uint32_t window_id, uint32_t unit_id);
// The unit type of a unit, 0 when unknown (service 2022).
uint32_t unit_type_of(uint32_t window_id, uint32_t unit_id);

// Host service 2000: a window or component was destroyed. Only clears a
// slot that still holds `object` (a newer load keeps its own).
void notify_destroyed(uint32_t window_id, uint32_t unit_id, QWidget* object);
// Whether a window is in its modal run or closing.
bool window_is_loaded(uint32_t window_id);
// Re-enables the windows that a modal window disabled at its load.
void restore_disabled_windows(uint32_t window_id);
// The loaded top-level window that is modal, visible and enabled, if any.
QWidget* active_modal_window();

// Focus movement by focus order (Tab, Shift+Tab, Enter): the component
// that receives the focus after `current`, or null.
QWidget* next_focus(uint32_t window_id, QWidget* current, bool forward);

// The unit ids of a live component object, from its placement.
bool unit_of_object(const QWidget* object, uint32_t* window_id, uint32_t* unit_id);

// Idle list: routines called whenever the loop is about to wait.
using IdleRoutine = void (*)(intptr_t parameter);
void register_idle(QWidget* window, IdleRoutine routine, intptr_t parameter);
void unregister_idle(QWidget* window);

// The runtime object's exit sequence, installed by initialise.
void form_engine_exit_sequence(int32_t code);
// Drops every window and the engine state (tests between cases).
void reset_form_engine();

}  // namespace qinghe
