#include "platform/shared_library.h"

#include <dlfcn.h>

namespace qinghe::platform {

void* load_library(const std::string& file) { return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* library_symbol(void* library, const std::string& name) {
    return dlsym(library, name.c_str());
}

void unload_library(void* library) { dlclose(library); }

}  // namespace qinghe::platform
