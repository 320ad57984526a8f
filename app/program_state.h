// The program-wide state of the application: the result list (guarded by
// its lock) and the colour setting, created at start and released at exit.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "analysis/fund_report.h"
#include "runtime/values.h"

namespace qinghe::app {

// The merged, sorted holdings of the last run, 1-based. Read or changed
// only under result_list_lock(). Holders of that lock never wait for the
// main thread, so the main thread may take it without risk.
ArrayBlock*& result_list();
std::mutex& result_list_lock();
// What each typed line of the run that made the result list gave, in
// typed order. Read or changed only under result_list_lock().
std::vector<FundReport>& run_reports();
// False once the exit routine released the list: a late worker must not
// touch it any more (checked under the lock).
bool result_list_alive();

// "0" for the dark scheme, anything else for the green one; null until the
// main window's start-up handler sets it. Main thread only.
char*& colour_setting();

// The application's global initialisation: the empty result list.
void initialise_program_state();
// The application's exit routine: releases the result list and the setting.
void release_program_state(int32_t position);

}  // namespace qinghe::app
