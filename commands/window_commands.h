// Window commands of the core library.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

// load_window(window reference, [parent window reference], modal) -> logical.
void load_window_command(TaggedArg* result, int32_t count, TaggedArg* args);

}  // namespace qinghe
