#include "app/library_calls.h"

#include "commands/application_interface_library.h"
#include "components/extended_ui_library.h"
#include "runtime/frame.h"
#include "runtime/property_block.h"

namespace qinghe::app {
namespace {

constexpr int32_t kDeleteAllRows = int32_t(ExtendedUiCommand::delete_all_rows);
constexpr int32_t kInsertRow = int32_t(ExtendedUiCommand::insert_row);
constexpr int32_t kSetCellText = int32_t(ExtendedUiCommand::set_cell_text);
constexpr int32_t kOpenWebPage = int32_t(ApplicationInterfaceCommand::open_web_page);

CommandEntry library_command(int32_t library_number, int32_t command) {
    const LibraryRecord* library = library_record(library_number - 1);
    if (!library || command >= library->command_count || !library->commands) return nullptr;
    return library->commands[command];
}

TaggedArg call(int32_t library_number, int32_t command, std::initializer_list<TaggedArg> args) {
    TaggedArg list[6];
    int32_t count = 0;
    for (const TaggedArg& a : args) list[count++] = a;
    return call_library_command(library_number - 1, library_command(library_number, command), count,
                                list);
}

TaggedArg list_box(uint32_t window_id, uint32_t unit_id) {
    return TaggedArg::of_unit(window_id, unit_id, UnitType::kListBox);
}

}  // namespace

bool list_box_commands_available() {
    return library_command(Library::kExtendedUi, kSetCellText) != nullptr;
}

void delete_all_rows(uint32_t window_id, uint32_t unit_id) {
    call(Library::kExtendedUi, kDeleteAllRows, {list_box(window_id, unit_id)});
}

int32_t append_row(uint32_t window_id, uint32_t unit_id) {
    return call(Library::kExtendedUi, kInsertRow, {list_box(window_id, unit_id)}).as_int();
}

void set_cell_text(uint32_t window_id, uint32_t unit_id, int32_t row, int32_t column,
                   const char* text) {
    call(Library::kExtendedUi, kSetCellText,
         {list_box(window_id, unit_id), TaggedArg::of_int(row), TaggedArg::of_int(column),
          TaggedArg::of_text(text ? text : "")});
}

void open_web_page(const char* address) {
    call(Library::kApplicationInterface, kOpenWebPage,
         {TaggedArg::of_text(address ? address : "")});
}

}  // namespace qinghe::app
