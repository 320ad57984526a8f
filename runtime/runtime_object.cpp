#include "runtime/runtime_object.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <map>
#include <unordered_map>

#include "platform/text_encoding.h"
#include "runtime/component_interface.h"
#include "runtime/cursors.h"
#include "runtime/event_dispatch.h"
#include "runtime/event_numbers.h"
#include "runtime/event_suspension.h"
#include "runtime/frame.h"
#include "runtime/main_thread.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_exit.h"

namespace qinghe {
namespace {

inline constexpr int32_t kFirstControlId = 100;
inline constexpr int32_t kControlIdStep = 10;

// What a load leaves behind for the window's run.
struct LoadState {
    bool modal = false;
    bool fresh = false;
    // Windows this modal window disabled, with whether each was enabled.
    std::vector<std::pair<QPointer<QWidget>, bool>> disabled;
};

struct IdleEntry {
    QPointer<QWidget> window;
    IdleRoutine routine;
    intptr_t parameter;
};

struct Placement {
    uint32_t window_id;
    uint32_t unit_id;
};

struct Engine {
    WindowTable table;
    std::map<uint32_t, LoadState> loads;
    std::unordered_map<const QWidget*, Placement> placements;
    uint32_t modal_window = 0;
    std::vector<QEventLoop*> modal_loops;
    QEventLoop* main_loop = nullptr;
    bool running = false;
    std::atomic<bool> exiting{false};
    std::vector<IdleEntry> idle;
    bool idle_connected = false;
};

Engine& engine() {
    static Engine e;
    return e;
}

QWidget* object_of(const FormUnit& unit) { return static_cast<QWidget*>(unit.object); }

void report_utf8(const char* utf8, uint32_t first, uint32_t second) {
    report_error(platform::gbk_from_utf8(utf8).c_str(), 0, first, second);
}

void process_pending_messages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void begin_load() {
    process_pending_messages();
    raise_event_suspension();
}

void end_load() {
    process_pending_messages();
    lower_event_suspension();
}

bool any_window_alive() {
    for (const FormWindow& w : engine().table.windows)
        if (!w.units.empty() && w.units.front().object) return true;
    return false;
}

uint32_t type_flags(uint32_t unit_type) {
    const DataTypeRecord* type = data_type_record(unit_type);
    return type ? type->flags : 0;
}

CreateEntry create_entry_of(uint32_t unit_type) {
    const DataTypeRecord* type = data_type_record(unit_type);
    if (!type || !type->interface_entry) return nullptr;
    return reinterpret_cast<CreateEntry>(type->interface_entry(InterfaceCode::kCreate));
}

uint32_t style_of(const FormUnit& unit) {
    uint32_t style = 0;
    if (!(type_flags(unit.type) & TypeFlag::kNoWindow) && unit.visible()) style |= Style::kVisible;
    if (unit.disabled()) style |= Style::kDisabled;
    if (unit.tab_stop()) style |= Style::kTabStop;
    return style;
}

void place(FormWindow& window, FormUnit& unit, QWidget* object) {
    unit.object = object;
    engine().placements[object] = {window.id, unit.id};
    object->setMouseTracking(true);
}

// Drops what a failed load created (the components are children of the
// window) and puts the resource state back.
void abandon_load(FormWindow& window) {
    QWidget* top = object_of(window.units.front());
    for (FormUnit& unit : window.units) {
        if (unit.object) engine().placements.erase(object_of(unit));
        unit.object = nullptr;
    }
    delete top;
    window.units = window.saved_units;
    window.saved_units.clear();
}

// Step 6: unit 0 first, then the last unit down to unit 1.
bool create_units(FormWindow& window, QWidget* owner, bool modal) {
    FormUnit& own = window.units.front();
    CreateEntry create = create_entry_of(own.type);
    if (!create) return false;
    CreateRequest request;
    request.block = reinterpret_cast<const uint8_t*>(own.property_block.data());
    request.length = int32_t(own.property_block.size());
    request.style = style_of(own);
    request.owner = owner;
    request.left = own.left, request.top = own.top;
    request.width = own.width, request.height = own.height;
    request.window_id = window.id;
    request.unit_id = own.id;
    request.modal = modal;
    QWidget* top = create(request);
    if (!top) return false;
    place(window, own, top);
    int32_t control_id = kFirstControlId;
    for (size_t i = window.units.size() - 1; i >= 1; --i) {
        FormUnit& unit = window.units[i];
        if (unit.menu_item()) continue;
        CreateEntry make = create_entry_of(unit.type);
        if (!make) return false;
        CreateRequest r;
        r.parent = top;
        r.block = reinterpret_cast<const uint8_t*>(unit.property_block.data());
        r.length = int32_t(unit.property_block.size());
        r.style = style_of(unit);
        r.control_id = control_id;
        r.left = unit.left, r.top = unit.top, r.width = unit.width, r.height = unit.height;
        r.window_id = window.id;
        r.unit_id = unit.id;
        QWidget* object = make(r);
        if (!object) return false;
        object->setProperty("qinghe_control_id", control_id);
        control_id += kControlIdStep;
        place(window, unit, object);
    }
    return true;
}

// Steps 7-11: parenting, stacking, cursors, showing.
void arrange_components(FormWindow& window) {
    QWidget* top = object_of(window.units.front());
    for (size_t i = 1; i < window.units.size(); ++i) {
        FormUnit& unit = window.units[i];
        if (!unit.object || !unit.parent) continue;
        const FormUnit* parent = find_unit(window, unit.parent);
        QWidget* target = parent && parent->object ? object_of(*parent) : top;
        if (object_of(unit)->parentWidget() != target) {
            QRect g = object_of(unit)->geometry();
            object_of(unit)->setParent(target);
            object_of(unit)->setGeometry(g);
        }
    }
    std::map<QWidget*, QWidget*> last_of_parent;
    for (size_t i = 1; i < window.units.size(); ++i) {
        QWidget* object = object_of(window.units[i]);
        if (!object) continue;
        auto [it, first] = last_of_parent.try_emplace(object->parentWidget(), object);
        if (first)
            object->raise();
        else
            object->stackUnder(it->second);
        it->second = object;
    }
    for (size_t i = 1; i < window.units.size(); ++i) {
        FormUnit& unit = window.units[i];
        if (!unit.object) continue;
        apply_cursor(object_of(unit), unit.mouse_pointer);
        bool visible = unit.visible() && !(type_flags(unit.type) & TypeFlag::kNoWindow);
        object_of(unit)->setVisible(visible);
    }
    apply_cursor(top, window.units.front().mouse_pointer);
}

void disable_other_windows(FormWindow& window, LoadState& state) {
    for (FormWindow& other : engine().table.windows) {
        if (&other == &window || other.units.empty() || !other.units.front().object) continue;
        QWidget* w = object_of(other.units.front());
        state.disabled.emplace_back(w, w->isEnabled());
        w->setEnabled(false);
    }
}

bool load(FormWindow& window, QWidget* owner, bool modal) {
    Engine& e = engine();
    if (window.units.empty()) return false;
    if (QWidget* live = object_of(window.units.front())) {
        if (live->isMinimized())
            live->showNormal();
        else
            live->activateWindow();
        return true;
    }
    if (modal) owner = nullptr;
    begin_load();
    window.saved_units = window.units;
    if (!create_units(window, owner, modal)) {
        abandon_load(window);
        end_load();
        return false;
    }
    arrange_components(window);
    end_load();
    LoadState& state = e.loads[window.id];
    state = LoadState{};
    const uint32_t id = window.id, own_id = window.units.front().id;
    for (int32_t event : {FormEvent::kCreated, FormEvent::kLoaded3, FormEvent::kLoaded4}) {
        if (!find_object(id, 0)) return true;
        raise_event(id, own_id, event);
    }
    QWidget* top = find_object(id, 0);
    if (!top) return true;
    if (window_table().find(id)->units.front().visible()) {
        top->show();
        top->activateWindow();  // a newly shown window takes the keyboard, as the user expects
    }
    if (modal) {
        e.loads[id].modal = true;
        disable_other_windows(*window_table().find(id), e.loads[id]);
    }
    e.loads[id].fresh = true;
    return true;
}

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


void run_idle_routines() {
    Engine& e = engine();
    auto entries = e.idle;
    e.idle.erase(std::remove_if(e.idle.begin(), e.idle.end(), [](const IdleEntry& i) { return !i.window; }),
                 e.idle.end());
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
            QMetaObject::invokeMethod(app, [code] { runtime_exit(code); }, Qt::QueuedConnection);
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

int32_t load_window(uint32_t window_id, QWidget* owner, bool modal) {
    FormWindow* window = engine().table.find(window_id);
    if (!window) return -1;
    if (!modal && owner && !engine().placements.count(owner)) return -1;
    if (!load(*window, owner, modal)) return -1;
    complete_window_load(window_id);
    return 0;
}

void complete_window_load(uint32_t window_id) {
    Engine& e = engine();
    auto it = e.loads.find(window_id);
    if (it == e.loads.end() || !it->second.fresh) return;
    it->second.fresh = false;
    if (it->second.modal) run_modal(window_id);
}

void recreate_component(uint32_t window_id, uint32_t unit_id) {
    FormWindow* window = engine().table.find(window_id);
    int32_t index = -1;
    FormUnit* unit = window ? find_unit(*window, unit_id, &index) : nullptr;
    if (!unit || index <= 0 || !unit->object) return;
    const uint32_t flags = type_flags(unit->type);
    const DataTypeRecord* type = data_type_record(unit->type);
    if ((flags & TypeFlag::kNoRecreate) || !type || !type->interface_entry) return;
    auto serialise = reinterpret_cast<SerialiseEntry>(type->interface_entry(InterfaceCode::kSerialise));
    CreateEntry create = create_entry_of(unit->type);
    if (!serialise || !create) return;
    process_pending_messages();
    raise_event_suspension();
    QWidget* old = object_of(*unit);
    const std::string blob = serialise(old);
    const bool had_focus = old->hasFocus() || old->isAncestorOf(QApplication::focusWidget());
    QPointer<QWidget> previous_focus = QApplication::focusWidget();
    CreateRequest r;
    r.parent = old->parentWidget();
    r.block = reinterpret_cast<const uint8_t*>(blob.data());
    r.length = int32_t(blob.size());
    r.style = style_of(*unit) & ~Style::kDisabled;
    if (!old->isEnabled()) r.style |= Style::kDisabled;
    r.control_id = old->property("qinghe_control_id").toInt();
    const QRect g = old->geometry();
    r.left = g.left(), r.top = g.top(), r.width = g.width(), r.height = g.height();
    r.window_id = window_id;
    r.unit_id = unit_id;
    if (QWidget* fresh = create(r)) {
        fresh->setProperty("qinghe_control_id", r.control_id);
        if (flags & TypeFlag::kMovesChildren)
            for (QWidget* child : old->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                child->setParent(fresh);
        engine().placements.erase(old);
        place(*window, *unit, fresh);
        fresh->stackUnder(old);
        apply_cursor(fresh, unit->mouse_pointer);
        fresh->setVisible(!old->isHidden());
        delete old;
        if (had_focus)
            fresh->setFocus();
        else if (previous_focus)
            previous_focus->setFocus();
    }
    process_pending_messages();
    lower_event_suspension();
}

void load_start_window(uint32_t window_id) {
    if (load_window(window_id, nullptr, false) != 0) report_utf8("载入启动窗口失败", 0, 0);
}

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

bool window_is_loaded(uint32_t window_id) { return find_object(window_id, 0) != nullptr; }

void restore_disabled_windows(uint32_t window_id) {
    auto it = engine().loads.find(window_id);
    if (it == engine().loads.end()) return;
    for (auto& [window, was_enabled] : it->second.disabled)
        if (window && was_enabled) window->setEnabled(true);
    it->second.disabled.clear();
}

QWidget* active_modal_window() {
    for (auto& [id, state] : engine().loads) {
        QWidget* w = find_object(id, 0);
        if (state.modal && w && w->isVisible() && w->isEnabled()) return w;
    }
    return nullptr;
}

bool unit_of_object(const QWidget* object, uint32_t* window_id, uint32_t* unit_id) {
    auto it = engine().placements.find(object);
    if (it == engine().placements.end()) return false;
    *window_id = it->second.window_id;
    *unit_id = it->second.unit_id;
    return true;
}

namespace {

struct FocusCandidate {
    int32_t order;
    size_t index;
    QWidget* object;
};

// Types with flag 0x2000 (or 0x4000, counting from 0) choose by focus-order
// value: forward the first candidate at or above it, backward the last one
// below it, wrapping when there is none. The current component never
// chooses itself.
QWidget* next_focus_by_value(std::vector<FocusCandidate> candidates, const FormUnit& current,
                             bool forward) {
    const int32_t value =
        (type_flags(current.type) & TypeFlag::kFocusByValueFromZero) ? 0 : current.focus_order;
    QWidget* own = object_of(current);
    std::erase_if(candidates, [&](const FocusCandidate& c) { return c.object == own; });
    if (candidates.empty()) return nullptr;
    if (forward) {
        for (const FocusCandidate& c : candidates)
            if (c.order >= value) return c.object;
        return candidates.front().object;
    }
    for (auto c = candidates.rbegin(); c != candidates.rend(); ++c)
        if (c->order < value) return c->object;
    return candidates.back().object;
}

}  // namespace

QWidget* next_focus(uint32_t window_id, QWidget* current, bool forward) {
    FormWindow* window = engine().table.find(window_id);
    if (!window) return nullptr;
    std::vector<FocusCandidate> candidates;
    const FormUnit* current_unit = nullptr;
    for (size_t i = 1; i < window->units.size(); ++i) {
        const FormUnit& u = window->units[i];
        QWidget* w = object_of(u);
        if (w && current && (w == current || (!current_unit && w->isAncestorOf(current))))
            current_unit = &u;
        if (!w || !w->isVisible() || !w->isEnabled() || !u.tab_stop()) continue;
        if (type_flags(u.type) & (TypeFlag::kNoWindow | TypeFlag::kNoFocus)) continue;
        candidates.push_back({u.focus_order, i, w});
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const FocusCandidate& a, const FocusCandidate& b) {
                  return a.order != b.order ? a.order < b.order : a.index > b.index;
              });
    const uint32_t by_value = TypeFlag::kFocusByValue | TypeFlag::kFocusByValueFromZero;
    if (current_unit && (type_flags(current_unit->type) & by_value))
        return next_focus_by_value(std::move(candidates), *current_unit, forward);
    if (candidates.empty()) return nullptr;
    auto at = std::find_if(candidates.begin(), candidates.end(), [&](const FocusCandidate& c) {
        return current && (c.object == current || c.object->isAncestorOf(current));
    });
    if (at == candidates.end()) return forward ? candidates.front().object : candidates.back().object;
    size_t pos = size_t(at - candidates.begin());
    size_t n = candidates.size();
    return candidates[forward ? (pos + 1) % n : (pos + n - 1) % n].object;
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
    idle.erase(std::remove_if(idle.begin(), idle.end(),
                              [&](const IdleEntry& i) { return i.window == window; }),
               idle.end());
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
