// Variant commands: set a variant's type, give it a one-dimensional array,
// assign values to it or to its elements, read bytes out of it, clear it.
#pragma once

#include "runtime/frame.h"

namespace qinghe {

void variant_set_type(TaggedArg* result, int32_t count, TaggedArg* args);
void variant_create_array(TaggedArg* result, int32_t count, TaggedArg* args);
void variant_assign(TaggedArg* result, int32_t count, TaggedArg* args);
void variant_to_byte_set(TaggedArg* result, int32_t count, TaggedArg* args);
void variant_clear(TaggedArg* result, int32_t count, TaggedArg* args);

}  // namespace qinghe
