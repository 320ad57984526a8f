#include "runtime/runtime_error.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/debugger.h"
#include "platform/text_encoding.h"
#include "runtime/event_suspension.h"
#include "runtime/exit_list.h"
#include "runtime/runtime_exit.h"
#include "runtime/values.h"

namespace qinghe {
namespace {

struct Texts {
    std::string header = platform::gbk_from_utf8("运行时出错!\r\n");
    std::string code_line = platform::gbk_from_utf8("\r\n错误代码：");
    std::string message_line = platform::gbk_from_utf8("\r\n错误信息：");
    std::string no_window = platform::gbk_from_utf8("\r\n未找到所指定的窗口");
    std::string no_unit = platform::gbk_from_utf8("\r\n未找到所指定的窗口组件");
};

const Texts& texts() {
    static const Texts t;
    return t;
}

const std::string* error_table() {
    static const std::string table[] = {
        platform::gbk_from_utf8("数组成员引用下标超出定义范围"),
        platform::gbk_from_utf8("未得到所需要的数值型数据"),
        platform::gbk_from_utf8("引用数组成员时维数不为1且不等于该数组目前所具有的维数"),
        platform::gbk_from_utf8("数组成员引用下标必须大于等于1"),
        platform::gbk_from_utf8("数据或数组类型不匹配"),
        platform::gbk_from_utf8("调用DLL命令后发现堆栈错误"),
        platform::gbk_from_utf8("子语句参数未返回数据或者返回了非系统基本类型或数组型数据"),
        platform::gbk_from_utf8("被比较数据只能使用等于或不等于命令比较"),
        platform::gbk_from_utf8("“多项选择”命令的索引值参数小于零或超出了所提供参数表范围"),
        platform::gbk_from_utf8("“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零"),
        platform::gbk_from_utf8("所提供参数的数据类型不符合要求"),
    };
    return table;
}
constexpr int32_t kErrorTableSize = 11;

void present_on_stderr(std::string_view text) {
    std::string utf8 = platform::utf8_from_gbk(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

std::mutex g_mutex;  // guards the presenter and the location source
ErrorPresenter g_presenter;
const ErrorLocationSource* g_location_source = nullptr;
std::atomic<ErrorHook> g_hook{nullptr};
std::atomic<bool> g_hook_running{false};
std::atomic<int32_t> g_run_mode{0};

void append_quoted(std::string& out, const std::string& tag) {
    out += "\r\n\"";
    out += tag;
    out += '"';
}

std::string location_text(uint32_t first_id, uint32_t second_id, bool resolve_window) {
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "\r\n%d, %d", int32_t(first_id), int32_t(second_id));
    std::string out = numbers;
    if (resolve_window && Id::is_window(first_id)) {
        std::lock_guard lock(g_mutex);
        auto window = g_location_source ? g_location_source->window_tag(first_id) : std::nullopt;
        if (window) {
            append_quoted(out, *window);
            if (auto unit = g_location_source->unit_tag(first_id, second_id))
                append_quoted(out, *unit);
            else out += texts().no_unit;
        } else {
            out += texts().no_window;
        }
    }
    out += "\r\n";
    return out;
}

std::string compose(std::string_view message, int32_t code, const std::string& location) {
    std::string out = texts().header;
    if (code != 0) {
        out += texts().code_line;
        out += std::to_string(code);
        out += "\r\n";
    }
    if (!message.empty()) {
        out += texts().message_line;
        out += message;
        out += "\r\n";
    }
    out += location;
    return out;
}

// Asks the hook, unless one is already running.
bool hook_handled(int32_t code, std::string_view message, const std::string& location) {
    ErrorHook hook = g_hook.load();
    if (!hook || g_hook_running.exchange(true)) return false;
    struct Running {
        ~Running() { g_hook_running = false; }
    } running;
    std::string text = std::string(message) + location;
    return hook(code, text.c_str()) != 0;
}

[[noreturn]] void report(const char* message, int32_t code, uint32_t first_id, uint32_t second_id,
                         bool resolve_window) {
    raise_event_suspension();
    std::string_view text = message ? message : "";
    std::string location = location_text(first_id, second_id, resolve_window);
    if (!hook_handled(code, text, location)) {
        ErrorPresenter presenter;
        {
            std::lock_guard lock(g_mutex);
            presenter = g_presenter;
        }
        std::string composed = compose(text, code, location);
        // A report raised while presenting falls back to standard error.
        thread_local bool presenting = false;
        if (presenter && !presenting) {
            presenting = true;
            struct Done {
                ~Done() { presenting = false; }
            } done;
            presenter(composed);
        } else {
            present_on_stderr(composed);
        }
    }
    if (run_mode() == kDebugRunMode && platform::debugger_attached())
        platform::break_into_debugger();
    clear_exit_list();
    runtime_exit(-1);
}

}  // namespace

void report_error(const char* message, int32_t code, uint32_t first_id, uint32_t second_id) {
    report(message, code, first_id, second_id, true);
}

// A location is a plain number, never a window id: only the numbers are shown.
void report_runtime_error(int32_t code, int32_t location, int32_t statement) {
    report(runtime_error_message(code), code, uint32_t(location), uint32_t(statement), false);
}

const char* runtime_error_message(int32_t code) {
    if (code < 1 || code > kErrorTableSize) return nullptr;
    return error_table()[code - 1].c_str();
}

ErrorPresenter set_error_presenter(ErrorPresenter presenter) {
    std::lock_guard lock(g_mutex);
    std::swap(g_presenter, presenter);
    return presenter;
}

void set_error_hook(ErrorHook hook) { g_hook = hook; }

void set_error_location_source(const ErrorLocationSource* source) {
    std::lock_guard lock(g_mutex);
    g_location_source = source;
}

void set_run_mode(int32_t mode) { g_run_mode = mode; }
int32_t run_mode() { return g_run_mode.load(); }

}  // namespace qinghe
