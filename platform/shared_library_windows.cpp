#include "platform/shared_library.h"

#include <windows.h>

#include "platform/file_names.h"

namespace qinghe::platform {

void* load_library(const std::string& file) {
    return reinterpret_cast<void*>(LoadLibraryW(native_path(file).c_str()));
}

void* library_symbol(void* library, const std::string& name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void unload_library(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace qinghe::platform
