#include "app/program_libraries.h"

#include "commands/application_interface_library.h"
#include "commands/core_library.h"
#include "components/extended_ui_library.h"
#include "net/internet_library.h"

namespace qinghe::app {
namespace {

// The special-function library carries no commands and no types here.
LibraryRecord& special_function_library() {
    static LibraryRecord record;
    return record;
}

}  // namespace

LibraryRecord* const* program_libraries() {
    static LibraryRecord* const table[kProgramLibraryCount] = {
        &core_library_record(),           const_cast<LibraryRecord*>(&internet_library()),
        &special_function_library(),      &extended_ui_library(),
        &application_interface_library(),
    };
    return table;
}

}  // namespace qinghe::app
