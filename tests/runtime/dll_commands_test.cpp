#include <gtest/gtest.h>

#include <atomic>

#include "support/report_capture.h"
#include "runtime/dll_commands.h"

namespace qinghe {
namespace {

using testing::exit_code_of;
using testing::ReportCapture;

std::atomic<int> g_probe_calls{0};

intptr_t probe_add(const intptr_t* w) {
    ++g_probe_calls;
    return w[0] + w[1];
}
intptr_t probe_twelve(const intptr_t*) { return 12; }
intptr_t probe_replaced(const intptr_t*) { return -1; }

class DllCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::register_system_module(
            "Probe.dll", {{"Add", 0, 2, probe_add}, {"Twelve", 12, 0, probe_twelve}});
    }
    void TearDown() override { release_dll_commands(); }

    void declare(std::initializer_list<std::pair<const char*, const char*>> commands) {
        std::vector<const char*> files, exports;
        for (auto [file, exported] : commands) {
            files.push_back(file);
            exports.push_back(exported);
        }
        set_dll_command_tables(int32_t(files.size()), files.data(), exports.data());
    }
};

TEST(DllOrdinal, ParsesHashNumbers) {
    EXPECT_EQ(parse_ordinal("#12"), 12);
    EXPECT_EQ(parse_ordinal("#65548"), 12);  // low 16 bits
    EXPECT_EQ(parse_ordinal("#0"), 0);
    EXPECT_EQ(parse_ordinal("#"), -1);
    EXPECT_EQ(parse_ordinal("#1a"), -1);
    EXPECT_EQ(parse_ordinal("Add"), -1);
}

TEST_F(DllCommandsTest, ResolvesOnceAndReusesTheAddress) {
    declare({{"PROBE.DLL", "Add"}, {"probe.dll", "#12"}});
    EXPECT_EQ(dll_command_state(0).module, nullptr);
    EXPECT_FALSE(dll_command_state(0).procedure);

    EXPECT_EQ(call_dll_command(0, 2, 3), 5);
    DllCommandState resolved = dll_command_state(0);
    EXPECT_NE(resolved.module, nullptr);
    EXPECT_EQ(resolved.procedure.entry, probe_add);

    // Replacing the module now does not change a command already resolved.
    platform::register_system_module(
        "probe.dll", {{"Add", 0, 2, probe_replaced}, {"Twelve", 12, 0, probe_replaced}});
    EXPECT_EQ(call_dll_command(0, 4, 5), 9);
    EXPECT_EQ(dll_command_state(0).module, resolved.module);
    EXPECT_EQ(call_dll_command(1), -1);  // resolved only now, against the new module
}

TEST_F(DllCommandsTest, ResolvesOrdinalTwelve) {
    declare({{"probe.dll", "#12"}});
    EXPECT_EQ(call_dll_command(0), 12);
}

TEST_F(DllCommandsTest, WrongWordCountIsErrorSixAndDoesNotCall) {
    ReportCapture capture;
    declare({{"probe.dll", "Add"}});
    g_probe_calls = 0;
    EXPECT_EQ(exit_code_of([] { call_dll_command(0, 1, 2, 3); }), -1);
    EXPECT_EQ(g_probe_calls, 0);
    EXPECT_EQ(capture.utf8(),
              "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"
              "\r\n0, 0\r\n");
}

TEST_F(DllCommandsTest, UnresolvableCommandsNameFileAndExport) {
    ReportCapture capture;
    std::string no_file = testing::gbk("不存在.dll");
    declare({{no_file.c_str(), "Foo"},
             {"", "NoSuchExport"},
             {"probe.dll", "Missing"},
             {"libc.so.6", "#12"}});
    exit_code_of([] { call_dll_command(0); });
    EXPECT_EQ(capture.utf8(),
              "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“不存在.dll”"
              "中的输出命令“Foo”\r\n\r\n0, 0\r\n");
    exit_code_of([] { call_dll_command(1); });
    EXPECT_NE(capture.utf8().find("无法找到指定DLL库文件中的输出命令“NoSuchExport”"),
              std::string::npos);
    exit_code_of([] { call_dll_command(2); });
    EXPECT_NE(capture.utf8().find("“probe.dll”中的输出命令“Missing”"), std::string::npos);
    // A foreign module has no ordinals.
    exit_code_of([] { call_dll_command(3); });
    EXPECT_NE(capture.utf8().find("“libc.so.6”中的输出命令“#12”"), std::string::npos);
    EXPECT_EQ(dll_command_state(3).module, nullptr);
    exit_code_of([] { call_dll_command(9); });
    EXPECT_NE(capture.utf8().find("所调用的DLL命令 9 未声明"), std::string::npos);
}

TEST_F(DllCommandsTest, EmptyFileNameSearchesTheSystemModules) {
    declare({{"", "CloseHandle"}});
    EXPECT_EQ(call_dll_command(0, 0), 0);  // an unknown handle
    EXPECT_NE(dll_command_state(0).module, nullptr);
}

TEST_F(DllCommandsTest, ForeignModulesThroughTheDynamicLoader) {
    declare({{"libc.so.6", "labs"}});
    EXPECT_EQ(call_dll_command(0, -42), 42);
    EXPECT_EQ(dll_command_state(0).procedure.argument_words, -1);
    release_dll_commands();
    EXPECT_EQ(dll_command_count(), 0);
}

}  // namespace
}  // namespace qinghe
