// start_thread over the declared DLL commands CreateThread and CloseHandle.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/analysis_run.h"
#include "program_resources.h"
#include "runtime/dll_commands.h"

namespace qinghe::app {
namespace {

std::atomic<int32_t> g_seen{-1};

uint32_t record_parameter(void* parameter) {
    g_seen = int32_t(reinterpret_cast<intptr_t>(parameter));
    return 0;
}

bool wait_for(int32_t value) {
    for (int i = 0; i < 500 && g_seen != value; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return g_seen == value;
}

TEST(StartThread, RunsTheProcedureWithItsParameterAndClosesOrKeepsTheHandle) {
    struct Case {
        int32_t parameter;
        bool keep_handle;
        bool start_at_once;
    };
    for (const Case c : {Case{7, false, true}, Case{8, true, true}, Case{9, true, false}}) {
        SCOPED_TRACE(c.parameter);
        g_seen = -1;
        int32_t handle = 0;
        uint32_t thread_id = 0;
        ASSERT_TRUE(start_thread(&record_parameter, c.parameter, c.keep_handle ? &handle : nullptr,
                                 &thread_id, c.start_at_once));
        EXPECT_NE(thread_id, 0u);
        if (c.start_at_once) {
            EXPECT_TRUE(wait_for(c.parameter));
        }
        if (!c.keep_handle) continue;
        ASSERT_NE(handle, 0);
        if (!c.start_at_once) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            EXPECT_EQ(g_seen, -1);  // created suspended
        }
        // The handle was not closed for us: closing it now succeeds once.
        EXPECT_EQ(call_dll_command(resources::dll_command::CloseHandle, intptr_t(handle)), 1);
    }
}

TEST(StartThread, NoProcedureCreatesNoThread) { EXPECT_FALSE(start_thread(nullptr)); }

}  // namespace
}  // namespace qinghe::app
