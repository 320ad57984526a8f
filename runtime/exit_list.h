// The exit list: application routines called once at exit, in the order
// they were registered.
#pragma once

#include <cstdint>
#include <vector>

namespace qinghe {

// Called with its 0-based position in the list.
using ExitRoutine = void (*)(int32_t position);

// Adds the routine unless it is already listed.
void register_exit_routine(ExitRoutine routine);
std::vector<ExitRoutine> exit_routines();
// Takes the routines out of the list and calls each in order; a second
// call finds the list empty.
void run_exit_list();
// Forgets every routine without calling it.
void clear_exit_list();

}  // namespace qinghe
