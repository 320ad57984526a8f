// The application's event handlers, bound by the window resource through
// their position in the handler table.
#pragma once

#include <cstddef>

#include "runtime/event_handler.h"

namespace qinghe::app {

// One entry per handler of the resource's handler list, in its order, and
// the name of each entry's function.
const EventHandler* program_handlers();
const char* const* program_handler_names();
size_t program_handler_count();

// Main window created: empties the edit box, the list and the progress
// label, seeds the random generator, applies the saved colour scheme,
// puts the saved codes back and gives the list its context menu.
void start_up_main_window();
// ★: toggles between scheme "0" and "1" (not written until the window goes).
void switch_colour_scheme();
// Main window being destroyed: writes the setting beside the program (the
// handler also saves the typed codes).
bool save_colour_setting();

}  // namespace qinghe::app
