// The analysis run: the codes typed into the main window's edit box are
// fetched one after the other on a worker thread, merged into the result
// list, sorted by ratio and shown.
//
// Runs are serialised: each worker takes the run lock (taken by workers
// only) for its whole run, so every click on 分析 still starts a run and
// the runs queue in order. The result list is merged and sorted under its
// own lock; the worker never waits for the main thread while holding it.
#pragma once

#include <cstdint>

namespace qinghe::app {

// A thread's procedure: takes its 32-bit parameter, returns its exit code.
using ThreadProcedure = uint32_t (*)(void* parameter);

// Creates a thread through the declared DLL command CreateThread. Without
// a handle variable the handle is closed at once (CloseHandle); true when
// a thread was created.
bool start_thread(ThreadProcedure procedure, int32_t parameter = 0, int32_t* handle = nullptr,
                  uint32_t* thread_id = nullptr, bool start_at_once = true);

void analysis_run();

// The worker thread's procedure: runs analysis_run.
uint32_t analysis_thread(void* parameter);

// The handler's work: starts a run on a new thread.
void start_analysis();

// Runs started by start_analysis that have not ended yet (queued ones
// included).
int32_t runs_in_progress();

}  // namespace qinghe::app
