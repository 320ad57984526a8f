#include "app/program_state.h"

#include "analysis/holding_list.h"
#include "runtime/memory.h"

namespace qinghe::app {
namespace {

ArrayBlock* g_result_list = nullptr;
std::mutex g_result_list_lock;
std::vector<FundReport> g_run_reports;
char* g_colour_setting = nullptr;

}  // namespace

ArrayBlock*& result_list() { return g_result_list; }
std::mutex& result_list_lock() { return g_result_list_lock; }
std::vector<FundReport>& run_reports() { return g_run_reports; }
bool result_list_alive() { return g_result_list != nullptr; }
char*& colour_setting() { return g_colour_setting; }

void initialise_program_state() {
    std::lock_guard lock(g_result_list_lock);
    if (!g_result_list) g_result_list = new_record_array();
}

void release_program_state(int32_t) {
    {
        std::lock_guard lock(g_result_list_lock);
        if (g_result_list) release_record_array(g_result_list);
        g_result_list = nullptr;
        g_run_reports.clear();
    }
    mem_free(g_colour_setting);
    g_colour_setting = nullptr;
}

}  // namespace qinghe::app
