// The runtime object's form engine state: the window table and its live
// objects, and the end of the program (window loading, the message loop
// and focus order are in files of their own).
#include "runtime/runtime_object.h"

#include <QCoreApplication>
#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/text_encoding.h"
#include "runtime/event_suspension.h"
#include "runtime/form_engine_state.h"
#include "runtime/frame.h"
#include "runtime/main_thread.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_exit.h"

namespace qinghe {
namespace form_engine {

Engine& engine() {
    static Engine e;
    return e;
}

void report_utf8(const char* utf8, uint32_t first, uint32_t second) {
    report_error(platform::gbk_from_utf8(utf8).c_str(), 0, first, second);
}

uint32_t type_flags(uint32_t unit_type) {
    const DataTypeRecord* type = data_type_record(unit_type);
    return type ? type->flags : 0;
}

}  // namespace form_engine

using namespace form_engine;

namespace {

// The end of the main thread's exit sequence, for a worker whose exit
// request it carried out (the process normally ends before anyone looks).
std::mutex g_exit_mutex;
std::condition_variable g_exit_finished;
bool g_exit_done = false;

// A worker's request to end the program runs on the main thread. The
// worker waits for it; should no loop take the request, the worker ends
// the process itself after a grace period.
void forward_exit_to_main_thread(int32_t code, bool already_exiting) {
    if (!already_exiting)
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [code] { runtime_exit(code); }, Qt::QueuedConnection);
    std::unique_lock lock(g_exit_mutex);
    g_exit_finished.wait_for(lock, std::chrono::seconds(already_exiting ? 10 : 2),
                             [] { return g_exit_done; });
}

void destroy_all_windows() {
    for (FormWindow& window : engine().table.windows)
        if (!window.units.empty()) delete object_of(window.units.front());
}

}  // namespace

void install_window_table(WindowTable table) { engine().table = std::move(table); }

WindowTable& window_table() { return engine().table; }

QWidget* find_object(uint32_t window_id, uint32_t unit_id) {
    FormWindow* window = engine().table.find(window_id);
    if (!window) return nullptr;
    const FormUnit* unit = find_unit(*window, unit_id);
    return unit ? object_of(*unit) : nullptr;
}

QWidget* require_object(uint32_t window_id, uint32_t unit_id) {
    QWidget* object = find_object(window_id, unit_id);
    if (!object) report_utf8("指定窗口或窗口组件不存在或尚未载入", window_id, unit_id);
    return object;
}

uint32_t unit_type_of(uint32_t window_id, uint32_t unit_id) {
    FormWindow* window = engine().table.find(window_id);
    const FormUnit* unit = window ? find_unit(*window, unit_id) : nullptr;
    return unit ? unit->type : 0;
}

bool window_is_loaded(uint32_t window_id) { return find_object(window_id, 0) != nullptr; }

bool unit_of_object(const QWidget* object, uint32_t* window_id, uint32_t* unit_id) {
    auto it = engine().placements.find(object);
    if (it == engine().placements.end()) return false;
    *window_id = it->second.window_id;
    *unit_id = it->second.unit_id;
    return true;
}

void form_engine_exit_sequence(int32_t code) {
    raise_event_suspension();
    Engine& e = engine();
    if (!on_main_thread()) {
        forward_exit_to_main_thread(code, e.exiting);
        return;
    }
    stop_main_thread_calls();
    e.exiting = true;
    e.idle.clear();
    destroy_all_windows();
    run_basic_exit_sequence(code);
    std::lock_guard lock(g_exit_mutex);
    g_exit_done = true;
    g_exit_finished.notify_all();
}

void reset_form_engine() {
    destroy_all_windows();
    Engine& e = engine();
    e.table = WindowTable{};
    e.loads.clear();
    e.placements.clear();
    e.modal_window = 0;
    e.running = false;
    e.exiting = false;
    e.idle.clear();
    resume_main_thread_calls();
    std::lock_guard lock(g_exit_mutex);
    g_exit_done = false;
}

}  // namespace qinghe
