// Libraries loaded at run time by file name: the system's dynamic loader.
#pragma once

#include <string>

namespace qinghe::platform {

// The library's handle, or null when it cannot be loaded. `file` is UTF-8.
void* load_library(const std::string& file);
// The address of an exported symbol, or null.
void* library_symbol(void* library, const std::string& name);
void unload_library(void* library);

}  // namespace qinghe::platform
