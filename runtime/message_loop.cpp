// The message loop: the main loop while a window is alive, the modal loop
// of a modal window, the idle list run before the loop waits, and what a
// destroyed window or component leaves to clear.
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>
#include <vector>

#include "runtime/form_engine_state.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace form_engine {

// Runs the modal form of the loop until the window's destruction clears
// the current modal window.
void run_modal(uint32_t window_id) {
    Engine& e = engine();
    const uint32_t previous = e.modal_window;
    e.modal_window = window_id;
    QEventLoop loop;
    e.modal_loops.push_back(&loop);
    if (e.modal_window == window_id && find_object(window_id, 0)) loop.exec();
    e.modal_loops.pop_back();
    e.modal_window = previous;
}

}  // namespace form_engine

using namespace form_engine;

namespace {

bool any_window_alive() {
    for (const FormWindow& w : engine().table.windows)
        if (!w.units.empty() && w.units.front().object) return true;
    return false;
}

void run_idle_routines() {
    Engine& e = engine();
    auto entries = e.idle;
    std::erase_if(e.idle, [](const IdleEntry& i) { return !i.window; });
    for (const IdleEntry& entry : entries)
        if (entry.window) entry.routine(entry.parameter);
}

void connect_idle() {
    Engine& e = engine();
    if (e.idle_connected) return;
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) {
        QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, [] { run_idle_routines(); });
        e.idle_connected = true;
    }
}

}  // namespace

void run_message_loop() {
    Engine& e = engine();
    e.running = true;
    connect_idle();
    if (!any_window_alive()) return;
    QEventLoop loop;
    e.main_loop = &loop;
    loop.exec();
    e.main_loop = nullptr;
}

void notify_destroyed(uint32_t window_id, uint32_t unit_id, QWidget* object) {
    Engine& e = engine();
    FormWindow* window = e.table.find(window_id);
    int32_t index = -1;
    FormUnit* unit = window ? find_unit(*window, unit_id, &index) : nullptr;
    if (!unit || !object || unit->object != object) return;
    e.placements.erase(object);
    if (index != 0) {
        unit->object = nullptr;
        unit->cursor = nullptr;
        return;
    }
    for (const FormUnit& u : window->units)
        if (u.object) e.placements.erase(object_of(u));
    window->units = window->saved_units;
    window->saved_units.clear();
    e.loads.erase(window_id);
    if (e.modal_window == window_id) {
        e.modal_window = 0;
        for (QEventLoop* loop : e.modal_loops) loop->quit();
    }
    if (e.running && e.main_loop && !any_window_alive()) e.main_loop->quit();
}

QWidget* active_modal_window() {
    for (auto& [id, state] : engine().loads) {
        QWidget* w = find_object(id, 0);
        if (state.modal && w && w->isVisible() && w->isEnabled()) return w;
    }
    return nullptr;
}

void register_idle(QWidget* window, IdleRoutine routine, intptr_t parameter) {
    Engine& e = engine();
    if (!window || !e.placements.count(window)) return;
    for (const IdleEntry& entry : e.idle)
        if (entry.window == window) return;
    e.idle.push_back({window, routine, parameter});
    connect_idle();
}

void unregister_idle(QWidget* window) {
    auto& idle = engine().idle;
    std::erase_if(idle, [&](const IdleEntry& i) { return i.window == window; });
}

}  // namespace qinghe
