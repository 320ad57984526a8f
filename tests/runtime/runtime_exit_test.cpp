#include <gtest/gtest.h>

#include <vector>

#include "support/report_capture.h"
#include "runtime/dll_commands.h"
#include "runtime/event_suspension.h"
#include "runtime/exit_list.h"
#include "runtime/frame.h"
#include "runtime/host_services.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

std::vector<std::string> g_steps;

intptr_t library_notify(int32_t code, intptr_t first, intptr_t, intptr_t) {
    g_steps.push_back("notify " + std::to_string(code) + " " + std::to_string(first));
    return 0;
}

TEST(RuntimeExit, BasicSequenceThenProcessEnd) {
    ProcessTerminator previous =
        set_process_terminator([](int32_t code) { throw testing::ProcessEnded{code}; });
    LibraryRecord library;
    library.notify = library_notify;
    LibraryRecord* table[] = {&library};
    initialise_libraries(table, 1);
    library_data_word(0) = 9;
    clear_exit_list();
    register_exit_routine(
        [](int32_t position) { g_steps.push_back("first " + std::to_string(position)); });
    register_exit_routine(
        [](int32_t position) { g_steps.push_back("second " + std::to_string(position)); });
    const char* files[] = {"kernel32.dll"};
    const char* exports[] = {"CloseHandle"};
    set_dll_command_tables(1, files, exports);
    static const char constants[] = "constant";
    set_constant_area(constants, sizeof constants);
    int32_t suspended = event_suspension_count();
    g_steps.clear();

    EXPECT_EQ(testing::exit_code_of([] { runtime_exit(3); }), 3);
    EXPECT_EQ(g_steps, (std::vector<std::string>{"first 0", "second 1", "notify 6 9"}));
    EXPECT_EQ(dll_command_count(), 0);
    EXPECT_FALSE(is_constant(constants));
    EXPECT_EQ(event_suspension_count(), suspended + 1);

    // An installed sequence replaces the basic one.
    set_exit_sequence([](int32_t code) { g_steps.push_back("engine " + std::to_string(code)); });
    g_steps.clear();
    EXPECT_EQ(testing::exit_code_of([] { runtime_exit(0); }), 0);
    EXPECT_EQ(testing::exit_code_of([] { host_service(HostServiceCode::kEndProgram, 7, 0); }), 7);
    EXPECT_EQ(g_steps, (std::vector<std::string>{"engine 0", "engine 7"}));
    set_exit_sequence(nullptr);
    set_process_terminator(previous);
    initialise_libraries(nullptr, 0);
}

}  // namespace
}  // namespace qinghe
