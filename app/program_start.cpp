#include "app/program_start.h"

#include "app/program_handlers.h"
#include "app/program_libraries.h"
#include "analysis/settings_location.h"
#include "commands/music_commands.h"
#include "commands/window_commands.h"
#include "platform/file_size_limit.h"
#include "platform/heap_policy.h"
#include "program_resources.h"
#include "runtime/service_table.h"
#include "runtime/start_up.h"

namespace qinghe::app {

const ProgramHeader& program_header() {
    static const ProgramHeader header = [] {
        ProgramHeader h = resources::program_header;
        h.code_base = program_handlers();
        h.handler_count = program_handler_count();
        h.library_count = kProgramLibraryCount;
        h.libraries = program_libraries();
        return h;
    }();
    return header;
}

void initialise_runtime() {
    platform::keep_freed_memory_for_reuse();
    // A file-size limit fails a write (the history turns off) instead of
    // ending the program.
    platform::fail_writes_beyond_file_size_limit();
    install_window_commands();
    install_music_commands();
    set_program_header(&program_header());
    register_form_services();
    call_service(Service::kInitialise);
    choose_settings_location();
}

}  // namespace qinghe::app
