#include "platform/ole32_module.h"

#include <atomic>

namespace qinghe::platform {
namespace {

constexpr intptr_t kOk = 0;
constexpr intptr_t kAlreadyEntered = 1;

std::atomic<ComThreadHook> g_initialise{nullptr};
std::atomic<ComThreadHook> g_uninitialise{nullptr};
thread_local int t_count = 0;

intptr_t co_initialize(const intptr_t*) {
    if (t_count++ > 0) return kAlreadyEntered;
    if (ComThreadHook hook = g_initialise.load()) hook();
    return kOk;
}

intptr_t co_uninitialize(const intptr_t*) {
    if (t_count == 0) return kOk;
    if (--t_count == 0)
        if (ComThreadHook hook = g_uninitialise.load()) hook();
    return kOk;
}

}  // namespace

void set_com_thread_hooks(ComThreadHook initialise, ComThreadHook uninitialise) {
    g_initialise = initialise;
    g_uninitialise = uninitialise;
}

int com_initialisation_count() { return t_count; }

std::vector<SystemExport> ole32_exports() {
    return {
        {"CoInitialize", 0, 1, co_initialize},
        {"CoUninitialize", 0, 0, co_uninitialize},
    };
}

}  // namespace qinghe::platform
