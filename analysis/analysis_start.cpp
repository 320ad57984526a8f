#include "analysis/analysis_start.h"

#include "analysis/settings_location.h"
#include "commands/core_library.h"
#include "net/internet_library.h"
#include "platform/file_size_limit.h"
#include "platform/heap_policy.h"
#include "program_resources.h"
#include "runtime/core_start.h"
#include "runtime/program_header.h"

namespace qinghe::app {

LibraryRecord& special_function_library() {
    static LibraryRecord record;
    return record;
}

LibraryRecord* const* analysis_libraries() {
    static LibraryRecord* const table[kAnalysisLibraryCount] = {
        &core_library_record(),
        const_cast<LibraryRecord*>(&internet_library()),
        &special_function_library(),
    };
    return table;
}

void initialise_analysis_runtime() {
    static const ProgramHeader header = [] {
        ProgramHeader h = resources::program_header;
        h.library_count = kAnalysisLibraryCount;
        h.libraries = analysis_libraries();
        return h;
    }();
    platform::keep_freed_memory_for_reuse();
    // A file-size limit fails a write (the history turns off) instead of
    // ending the program.
    platform::fail_writes_beyond_file_size_limit();
    initialise_core(header);
    choose_settings_location();
}

}  // namespace qinghe::app
