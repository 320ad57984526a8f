#include "runtime/runtime_error.h"

#include <gtest/gtest.h>

#include <map>

#include "support/report_capture.h"
#include "runtime/event_suspension.h"
#include "runtime/exit_list.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

using testing::exit_code_of;
using testing::gbk;
using testing::ReportCapture;

constexpr uint32_t kWindow = 0x52000001;       // in the fake window table
constexpr uint32_t kOtherWindow = 0x52000002;  // not in it
constexpr uint32_t kButton = 0x16000003;
constexpr uint32_t kMenuItem = 0x26000004;

class FakeWindowTable : public ErrorLocationSource {
public:
    std::optional<std::string> window_tag(uint32_t window_id) const override {
        if (window_id != kWindow) return std::nullopt;
        return gbk("主窗口");
    }
    std::optional<std::string> unit_tag(uint32_t window_id, uint32_t unit_id) const override {
        if (window_id != kWindow) return std::nullopt;
        if (unit_id == 0) return gbk("主窗口");
        if (unit_id == kButton) return std::string("btn");
        return std::nullopt;  // unknown units and menu items
    }
};

struct ReportRow {
    const char* message;  // UTF-8
    int32_t code;
    uint32_t first;
    uint32_t second;
    bool with_table;
    const char* expected;  // UTF-8
};

TEST(RuntimeErrorReport, ComposesTheExactText) {
    const ReportRow rows[] = {
        {"", 0, 0, 0, false, "运行时出错!\r\n\r\n0, 0\r\n"},
        {nullptr, 0, 7, 9, false, "运行时出错!\r\n\r\n7, 9\r\n"},
        {"坏了", 6, 0, 0, false,
         "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：坏了\r\n\r\n0, 0\r\n"},
        {"", -3, 0xFFFFFFFF, 0, false, "运行时出错!\r\n\r\n错误代码：-3\r\n\r\n-1, 0\r\n"},
        // A window id with no window table at all, and one the table lacks.
        {"", 0, kWindow, 0, false, "运行时出错!\r\n\r\n1375731713, 0\r\n未找到所指定的窗口\r\n"},
        {"", 0, kOtherWindow, kButton, true,
         "运行时出错!\r\n\r\n1375731714, 369098755\r\n未找到所指定的窗口\r\n"},
        // Window found: its own tag, then the unit's (unit 0 = the window).
        {"", 0, kWindow, kButton, true,
         "运行时出错!\r\n\r\n1375731713, 369098755\r\n\"主窗口\"\r\n\"btn\"\r\n"},
        {"", 0, kWindow, 0, true,
         "运行时出错!\r\n\r\n1375731713, 0\r\n\"主窗口\"\r\n\"主窗口\"\r\n"},
        {"", 0, kWindow, kMenuItem, true,
         "运行时出错!\r\n\r\n1375731713, 637534212\r\n\"主窗口\"\r\n未找到所指定的窗口组件\r\n"},
        // A unit id as first id is no window: numbers only.
        {"", 0, kButton, 0, true, "运行时出错!\r\n\r\n369098755, 0\r\n"},
    };
    FakeWindowTable table;
    for (const ReportRow& row : rows) {
        ReportCapture capture;
        set_error_location_source(row.with_table ? &table : nullptr);
        std::string message = row.message ? gbk(row.message) : std::string();
        int32_t code = exit_code_of([&] {
            report_error(row.message ? message.c_str() : nullptr, row.code, row.first, row.second);
        });
        EXPECT_EQ(code, -1);
        EXPECT_EQ(capture.utf8(), row.expected) << row.message;
    }
    set_error_location_source(nullptr);
}

TEST(RuntimeErrorReport, AllocationFailureOfThousandBytes) {
    ReportCapture capture;
    Heap failing = process_heap();
    failing.allocate = [](size_t) -> void* { return nullptr; };
    set_heap(failing);
    int32_t code = exit_code_of([] { mem_alloc(1000); });
    set_heap(process_heap());
    EXPECT_EQ(code, -1);
    EXPECT_EQ(capture.utf8(),
              "运行时出错!\r\n\r\n错误信息：分配 1000 字节内存失败!\r\n\r\n0, 0\r\n");
}

TEST(RuntimeErrorReport, TableMessagesByCode) {
    ReportCapture capture;
    EXPECT_EQ(exit_code_of([] { report_runtime_error(4, 12, 3); }), -1);
    EXPECT_EQ(capture.utf8(),
              "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"
              "\r\n12, 3\r\n");
    // A location that looks like a window id is still shown as numbers only.
    exit_code_of([] { report_runtime_error(1, int32_t(kWindow), 0); });
    EXPECT_EQ(capture.utf8(),
              "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"
              "\r\n1375731713, 0\r\n");
    // A code outside the table has no message line.
    exit_code_of([] { report_runtime_error(12, 0, 0); });
    EXPECT_EQ(capture.utf8(), "运行时出错!\r\n\r\n错误代码：12\r\n\r\n0, 0\r\n");

    for (int32_t c = 1; c <= 11; ++c) EXPECT_NE(runtime_error_message(c), nullptr) << c;
    EXPECT_EQ(runtime_error_message(0), nullptr);
    EXPECT_EQ(std::string(runtime_error_message(11)), gbk("所提供参数的数据类型不符合要求"));
}

int g_exit_routine_calls = 0;

TEST(RuntimeErrorReport, EmptiesExitListAndSuspendsEvents) {
    ReportCapture capture;
    clear_exit_list();
    g_exit_routine_calls = 0;
    register_exit_routine([](int32_t) { ++g_exit_routine_calls; });
    int32_t before = event_suspension_count();
    exit_code_of([] { report_error(nullptr, 0, 0, 0); });
    EXPECT_EQ(g_exit_routine_calls, 0);
    EXPECT_TRUE(exit_routines().empty());
    EXPECT_EQ(event_suspension_count(), before + 1);
}

std::string g_hook_text;
int32_t g_hook_code = 0;
int g_hook_calls = 0;

TEST(RuntimeErrorReport, HookHandlesOrDeclines) {
    ReportCapture capture;
    set_error_hook([](int32_t code, const char* text) -> int32_t {
        ++g_hook_calls;
        g_hook_code = code;
        g_hook_text = text;
        return 1;
    });
    g_hook_calls = 0;
    EXPECT_EQ(exit_code_of([] { report_runtime_error(5, 1, 2); }), -1);
    EXPECT_EQ(g_hook_calls, 1);
    EXPECT_EQ(g_hook_code, 5);
    EXPECT_EQ(platform::utf8_from_gbk(g_hook_text), "数据或数组类型不匹配\r\n1, 2\r\n");
    EXPECT_EQ(capture.shown(), 0);  // handled: no message

    set_error_hook([](int32_t, const char*) -> int32_t { return 0; });
    exit_code_of([] { report_error(nullptr, 0, 0, 0); });
    EXPECT_EQ(capture.shown(), 1);

    // A report raised inside the hook skips it and shows its message.
    set_error_hook([](int32_t, const char*) -> int32_t {
        ++g_hook_calls;
        static const std::string inner = gbk("钩子里出错");
        report_error(inner.c_str(), 0, 0, 0);
    });
    g_hook_calls = 0;
    exit_code_of([] { report_error(nullptr, 1, 0, 0); });
    EXPECT_EQ(g_hook_calls, 1);
    EXPECT_EQ(capture.utf8(), "运行时出错!\r\n\r\n错误信息：钩子里出错\r\n\r\n0, 0\r\n");
    set_error_hook(nullptr);
}

TEST(RuntimeErrorReport, ReportWhilePresentingFallsBackToStandardError) {
    ReportCapture capture;  // for the terminator
    ErrorPresenter previous =
        set_error_presenter([](std::string_view) { report_error(nullptr, 9, 0, 0); });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(exit_code_of([] { report_error(nullptr, 8, 0, 0); }), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("错误代码：9"), std::string::npos);
    set_error_presenter(previous);
}

TEST(RuntimeErrorReportDeathTest, EndsTheProcessWithMinusOne) {
    // The default presenter writes the text to standard error.
    EXPECT_EXIT(report_error(nullptr, 2, 0, 0), ::testing::ExitedWithCode(255),
                "运行时出错!\r?\n\r?\n错误代码：2");
}

}  // namespace
}  // namespace qinghe
