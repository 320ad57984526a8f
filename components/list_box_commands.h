// The commands of the extended-UI library on the report list box. Argument
// 0 is the list box's unit reference; an argument with type tag 0 is
// omitted. Called from any thread: the work runs on the main thread.
#pragma once

#include "runtime/values.h"

namespace qinghe {

// Removes every row.
void delete_all_rows(TaggedArg* result, int32_t count, TaggedArg* args);
// Arguments: position, first cell text, image, state image, indent, row
// tag, all optional. Result: the new row's index, -1 on failure.
void insert_row(TaggedArg* result, int32_t count, TaggedArg* args);
// Arguments: row (required), column (default 0), text (default empty).
void set_cell_text(TaggedArg* result, int32_t count, TaggedArg* args);

}  // namespace qinghe
