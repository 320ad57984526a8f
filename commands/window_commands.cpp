#include "commands/window_commands.h"

#include "commands/core_commands.h"

#include "runtime/host_services.h"
#include "runtime/start_up.h"

namespace qinghe {

void load_window_command(TaggedArg* result, int32_t count, TaggedArg* args) {
    result->type = TypeTag::kBool;
    if (count < 1) return;
    WindowLoadRequest request;
    request.window_id = args[0].window_id();
    if (count > 1 && !args[1].omitted()) {
        request.owner = reinterpret_cast<QWidget*>(host_service(2006, args[1].window_id(), 0));
        if (!request.owner) return;
    }
    request.modal = count > 2 && args[2].as_bool() ? 1 : 0;
    result->lo = host_service(2005, reinterpret_cast<intptr_t>(&request), 0) == 0 ? 1 : 0;
}

void install_window_commands() {
    install_core_command(CoreCommand::load_window, &load_window_command);
}

}  // namespace qinghe
