// qinghe: the desktop program. Initialises the runtime from the program's
// header, loads the main window and runs the message loop until it closes.
// --help and --version print and exit before any window exists.
#include <QApplication>
#include <cfenv>
#include <cstdio>
#include <string_view>

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

constexpr const char* kUsage =
    "usage: qinghe [--help] [--version] [Qt options]\n"
    "  青禾基金持仓查看器: merges the top-ten stock holdings of the funds typed into\n"
    "  its window. Settings live in 配置.ini beside the program when its folder is\n"
    "  writable, else in $XDG_CONFIG_HOME/qinghe/ (default ~/.config/qinghe/).\n"
    "  Every fund read is kept in history.sqlite3 beside 配置.ini, or else in\n"
    "  $XDG_DATA_HOME/qinghe/ (default ~/.local/share/qinghe/).\n"
    "  --help      print this text and exit\n"
    "  --version   print the version and exit\n";

// Answers --help or --version; false when neither was asked.
bool answered_command_line(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (arg == "--version") {
            std::puts("qinghe " QINGHE_VERSION);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qinghe;
    if (answered_command_line(argc, argv)) return 0;
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
