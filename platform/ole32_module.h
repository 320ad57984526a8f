// The "ole32.dll" system module: per-thread entry to and exit from the
// object library. The automation layer hooks its own per-thread set-up in.
#pragma once

#include <vector>

#include "platform/system_modules.h"

namespace qinghe::platform {

using ComThreadHook = void (*)();

// `initialise` runs when a thread's first CoInitialize enters, `uninitialise`
// when its last CoUninitialize leaves. Either may be null.
void set_com_thread_hooks(ComThreadHook initialise, ComThreadHook uninitialise);

// How many CoInitialize calls of the calling thread are not yet undone.
int com_initialisation_count();

// CoInitialize(reserved) -> 0 on first entry, 1 when already entered
// CoUninitialize() -> 0
std::vector<SystemExport> ole32_exports();

}  // namespace qinghe::platform
