// The extended-UI library (library number 4): the report list box as its
// data type 4 (unit type 0x00040004) and the three list box commands.
#pragma once

#include "runtime/frame.h"

namespace qinghe {

inline constexpr int32_t kExtendedUiTypeCount = 5;
inline constexpr int32_t kListBoxTypeIndex = 4;  // 1-based

// The library's commands, by their numbers in its command table.
enum class ExtendedUiCommand : int32_t { delete_all_rows, insert_row, set_cell_text, count };

// The record for the library table, at index Library::kExtendedUi - 1.
LibraryRecord& extended_ui_library();

}  // namespace qinghe
