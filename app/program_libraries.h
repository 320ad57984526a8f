// The desktop program's library table, in library-number order: core,
// internet, special-function (as in analysis_start.h), extended-UI,
// application-interface.
#pragma once

#include "runtime/frame.h"

namespace qinghe::app {

inline constexpr int32_t kProgramLibraryCount = 5;

// The table handed to the runtime at initialisation.
LibraryRecord* const* program_libraries();

}  // namespace qinghe::app
