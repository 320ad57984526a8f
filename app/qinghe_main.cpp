// qinghe: the desktop program. Initialises the runtime from the program's
// header, loads the main window and runs the message loop until it closes.
#include <QApplication>
#include <cfenv>

#include "app/program_start.h"
#include "app/program_state.h"
#include "components/component_types.h"
#include "program_resources.h"
#include "runtime/runtime_exit.h"
#include "runtime/runtime_object.h"
#include "runtime/service_table.h"

namespace {

// The application's own start-up routine: nothing to do.
int32_t start_up_routine() { return 0; }

}  // namespace

int main(int argc, char** argv) {
    using namespace qinghe;
    QApplication application(argc, argv);
    register_component_types();
    app::initialise_runtime();
    std::fesetenv(FE_DFL_ENV);
    app::initialise_program_state();
    call_service(Service::kRegisterExitRoutine, &app::release_program_state);
    start_up_routine();
    load_start_window(resources::window_id::main);
    run_message_loop();
    runtime_exit(0);
}
