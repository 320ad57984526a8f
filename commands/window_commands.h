// Window commands of the core library, a group the core table holds only
// once the program installs it.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

// load_window(window reference, [parent window reference], modal) -> logical.
void load_window_command(TaggedArg* result, int32_t count, TaggedArg* args);

// Puts the group's commands into their slots of the core command table.
void install_window_commands();

}  // namespace qinghe
