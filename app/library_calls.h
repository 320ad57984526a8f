// Calls into the libraries the program loads beside the core: the list box
// commands of the extended-UI library and open_web_page of the
// application-interface library, reached through the library table.
#pragma once

#include <cstdint>

namespace qinghe::app {

// Whether the extended-UI library with its list box commands is loaded.
bool list_box_commands_available();

void delete_all_rows(uint32_t window_id, uint32_t unit_id);
// Appends a row (every argument omitted); the new row's index.
int32_t append_row(uint32_t window_id, uint32_t unit_id);
void set_cell_text(uint32_t window_id, uint32_t unit_id, int32_t row, int32_t column,
                   const char* text);

// Hands a web address (GBK) to the desktop.
void open_web_page(const char* address);

}  // namespace qinghe::app
