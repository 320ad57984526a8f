// The "kernel32.dll" system module: thread creation and handle closing.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/system_modules.h"

namespace qinghe::platform {

// A thread's start routine: takes its parameter, returns its exit code.
using ThreadStartRoutine = uint32_t (*)(void* parameter);

inline constexpr uint32_t kCreateSuspended = 4;

// CreateThread(attributes, stack size, start routine, parameter, flags,
//              thread-id out or null) -> handle or 0
// ResumeThread(handle) -> previous suspend count, or 0xFFFFFFFF
// CloseHandle(handle) -> 1, or 0 for an unknown handle
std::vector<SystemExport> kernel32_exports();

}  // namespace qinghe::platform
