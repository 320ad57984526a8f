// Calls from worker threads into the form engine run on the main thread:
// the worker posts the call and waits for it. A waiting worker can never
// hold up the exit: once the exit sequence starts, every waiting call is
// released without running and new calls are refused.
#pragma once

#include <functional>

namespace qinghe {

// Records the calling thread as the main thread.
void record_main_thread();
bool on_main_thread();

// Runs `call` on the main thread (directly when already there) and waits
// for it. Returns false when it did not run because the program is ending.
bool run_on_main_thread(const std::function<void()>& call);

// Releases every waiting worker and refuses further calls.
void stop_main_thread_calls();
// Accepts calls again (a new runtime in the same process, as in tests).
void resume_main_thread_calls();

}  // namespace qinghe
