#include "platform/debugger.h"

#include <windows.h>

namespace qinghe::platform {

bool debugger_attached() { return IsDebuggerPresent() != 0; }

void break_into_debugger() { DebugBreak(); }

}  // namespace qinghe::platform
