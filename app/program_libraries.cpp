#include "app/program_libraries.h"

#include "analysis/analysis_start.h"
#include "commands/application_interface_library.h"
#include "commands/core_library.h"
#include "components/extended_ui_library.h"
#include "net/internet_library.h"

namespace qinghe::app {

LibraryRecord* const* program_libraries() {
    static LibraryRecord* const table[kProgramLibraryCount] = {
        &core_library_record(),           const_cast<LibraryRecord*>(&internet_library()),
        &special_function_library(),      &extended_ui_library(),
        &application_interface_library(),
    };
    return table;
}

}  // namespace qinghe::app
