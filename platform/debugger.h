// The debugger the program may run under.
#pragma once

namespace qinghe::platform {

bool debugger_attached();
// Stops in the attached debugger.
void break_into_debugger();

}  // namespace qinghe::platform
