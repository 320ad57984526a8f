// Start-up shared by the desktop program and the command line: the
// program's header with the application's handler and library tables, and
// the runtime initialised from it.
#pragma once

#include "runtime/program_header.h"

namespace qinghe::app {

// The compiled header completed with the handler table and the libraries.
const ProgramHeader& program_header();

// Service 6 over program_header(): program directory made current, DLL
// command tables, libraries, window table; then the place of the
// program's own files chosen. Needs no window system.
void initialise_runtime();

}  // namespace qinghe::app
