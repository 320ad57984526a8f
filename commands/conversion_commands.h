// Value conversion: any value to text, to a single-precision number or to
// a byte set, and the length of a byte set.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

void to_text(TaggedArg* result, int32_t count, TaggedArg* args);
void to_number(TaggedArg* result, int32_t count, TaggedArg* args);
void to_byte_set(TaggedArg* result, int32_t count, TaggedArg* args);
void byte_set_length(TaggedArg* result, int32_t count, TaggedArg* args);

}  // namespace qinghe
