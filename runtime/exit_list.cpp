#include "runtime/exit_list.h"

#include <algorithm>
#include <mutex>

namespace qinghe {
namespace {

std::mutex g_mutex;
std::vector<ExitRoutine> g_routines;

}  // namespace

void register_exit_routine(ExitRoutine routine) {
    if (!routine) return;
    std::lock_guard lock(g_mutex);
    if (std::find(g_routines.begin(), g_routines.end(), routine) == g_routines.end())
        g_routines.push_back(routine);
}

std::vector<ExitRoutine> exit_routines() {
    std::lock_guard lock(g_mutex);
    return g_routines;
}

void run_exit_list() {
    std::vector<ExitRoutine> routines;
    {
        std::lock_guard lock(g_mutex);
        routines.swap(g_routines);
    }
    for (size_t i = 0; i < routines.size(); ++i) routines[i](int32_t(i));
}

void clear_exit_list() {
    std::lock_guard lock(g_mutex);
    g_routines.clear();
}

}  // namespace qinghe
