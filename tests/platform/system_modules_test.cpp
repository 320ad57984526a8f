#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/kernel32_module.h"
#include "platform/ole32_module.h"
#include "platform/system_modules.h"

namespace qinghe::platform {
namespace {

struct Kernel32 {
    Module* module = load_module("KERNEL32.DLL");
    ~Kernel32() { release_module(module); }
    intptr_t call(const char* name, std::initializer_list<intptr_t> words) const {
        Procedure p = find_procedure(module, name);
        EXPECT_TRUE(p.accepts(int32_t(words.size()))) << name;
        return call_procedure(p, words.begin(), int32_t(words.size()));
    }
};

std::promise<void*>* g_started = nullptr;

uint32_t record_parameter(void* parameter) {
    g_started->set_value(parameter);
    return 0;
}

TEST(Kernel32Module, CreateThreadRunsTheRoutineWithItsParameter) {
    Kernel32 k;
    ASSERT_NE(k.module, nullptr);
    std::promise<void*> started;
    g_started = &started;
    uint32_t thread_id = 0;
    int marker = 0;
    intptr_t handle = k.call("CreateThread", {0, 0, reinterpret_cast<intptr_t>(&record_parameter),
                                              reinterpret_cast<intptr_t>(&marker), 0,
                                              reinterpret_cast<intptr_t>(&thread_id)});
    EXPECT_NE(handle, 0);
    EXPECT_NE(thread_id, 0u);
    EXPECT_EQ(started.get_future().get(), &marker);
    EXPECT_EQ(k.call("CloseHandle", {handle}), 1);
    EXPECT_EQ(k.call("CloseHandle", {handle}), 0);
    EXPECT_EQ(k.call("CreateThread", {0, 0, 0, 0, 0, 0}), 0);  // no routine
}

TEST(Kernel32Module, SuspendedThreadWaitsForResume) {
    Kernel32 k;
    std::promise<void*> started;
    g_started = &started;
    auto future = started.get_future();
    intptr_t handle = k.call("CreateThread", {0, 0, reinterpret_cast<intptr_t>(&record_parameter),
                                              0, intptr_t(kCreateSuspended), 0});
    ASSERT_NE(handle, 0);
    EXPECT_EQ(future.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    EXPECT_EQ(k.call("ResumeThread", {handle}), 1);
    future.get();
    EXPECT_EQ(k.call("ResumeThread", {handle}), 0);
    EXPECT_EQ(k.call("CloseHandle", {handle}), 1);
}

std::atomic<int> g_initialised{0};
std::atomic<int> g_uninitialised{0};

TEST(Ole32Module, CountsPerThreadAndCallsHooksAtTheEdges) {
    set_com_thread_hooks([] { ++g_initialised; }, [] { ++g_uninitialised; });
    Module* ole = load_module("Ole32.dll");
    Procedure enter = find_procedure(ole, "CoInitialize");
    Procedure leave = find_procedure(ole, "CoUninitialize");
    EXPECT_EQ(enter.argument_words, 1);
    EXPECT_EQ(leave.argument_words, 0);
    intptr_t null_word = 0;
    auto co_initialize = [&] { return call_procedure(enter, &null_word, 1); };
    auto co_uninitialize = [&] { return call_procedure(leave, nullptr, 0); };

    EXPECT_EQ(co_initialize(), 0);
    EXPECT_EQ(co_initialize(), 1);  // already entered
    std::thread([&] {
        EXPECT_EQ(com_initialisation_count(), 0);
        EXPECT_EQ(co_initialize(), 0);
        co_uninitialize();
    }).join();
    EXPECT_EQ(g_initialised, 2);
    EXPECT_EQ(g_uninitialised, 1);
    co_uninitialize();
    EXPECT_EQ(g_uninitialised, 1);
    co_uninitialize();
    co_uninitialize();  // one too many: ignored
    EXPECT_EQ(g_uninitialised, 2);
    EXPECT_EQ(com_initialisation_count(), 0);
    release_module(ole);
    set_com_thread_hooks(nullptr, nullptr);
}

TEST(SystemModules, LookupRules) {
    EXPECT_TRUE(is_system_module("kernel32.DLL"));
    EXPECT_FALSE(is_system_module("kernel32"));
    EXPECT_EQ(load_module("no-such-library.so"), nullptr);
    EXPECT_EQ(load_module(""), nullptr);
    Kernel32 k;
    EXPECT_FALSE(find_procedure(k.module, "createthread"));  // export names are exact
    EXPECT_FALSE(find_procedure(k.module, uint16_t(12)));
    EXPECT_FALSE(find_procedure(nullptr, "CreateThread"));
    Procedure declared{nullptr, nullptr, 2};
    EXPECT_FALSE(declared.accepts(2));  // nothing to call
    Procedure foreign{nullptr, reinterpret_cast<void*>(&record_parameter), -1};
    EXPECT_TRUE(foreign.accepts(kForeignWordLimit));
    EXPECT_FALSE(foreign.accepts(kForeignWordLimit + 1));
}

}  // namespace
}  // namespace qinghe::platform
