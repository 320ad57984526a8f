// Enters the object library on the calling thread for a scope, through the
// "ole32.dll" system module as a program's declared DLL commands do.
#pragma once

#include "platform/system_modules.h"

namespace qinghe::testing_support {

class ComThread {
public:
    ComThread() { call("CoInitialize", 1); }
    ~ComThread() { call("CoUninitialize", 0); }
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;

private:
    static void call(const char* name, int32_t words) {
        platform::Module* module = platform::load_module("ole32.dll");
        const intptr_t none[] = {0};
        platform::call_procedure(platform::find_procedure(module, name), none, words);
        platform::release_module(module);
    }
};

}  // namespace qinghe::testing_support
