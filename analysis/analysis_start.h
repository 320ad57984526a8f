// Start-up of qinghe-analyse: the program's header with the libraries the
// analysis uses, and the runtime's core initialised from it. No window
// system, no windows, no handlers; the desktop program starts through
// program_start.h instead.
#pragma once

#include "runtime/frame.h"

namespace qinghe::app {

// The special-function library: no commands and no types here.
LibraryRecord& special_function_library();

// The analysis's library table, numbered as in the desktop program's:
// core, internet, special-function.
inline constexpr int32_t kAnalysisLibraryCount = 3;
LibraryRecord* const* analysis_libraries();

// The runtime's core started over that table (program directory made
// current, constant area, DLL command tables, libraries); then the place of
// the program's own files chosen. A file-size limit no longer ends the
// process.
void initialise_analysis_runtime();

}  // namespace qinghe::app
