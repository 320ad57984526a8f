// Start-up of the desktop program: the program's header with the
// application's handler and library tables, and the runtime initialised
// from it (qinghe-analyse starts through analysis_start.h).
#pragma once

#include "runtime/program_header.h"

namespace qinghe::app {

// The compiled header completed with the handler table and the libraries.
const ProgramHeader& program_header();

// The window and music command groups installed, then service 6 over
// program_header(): program directory made current, DLL command tables,
// libraries, window table; then the place of the program's own files
// chosen.
void initialise_runtime();

}  // namespace qinghe::app
