// Window loading: creating a window's units from the window table,
// arranging and showing them, the load events, and building a component
// again in its old one's place.
#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <map>

#include "runtime/component_interface.h"
#include "runtime/cursors.h"
#include "runtime/event_dispatch.h"
#include "runtime/event_numbers.h"
#include "runtime/event_suspension.h"
#include "runtime/form_engine_state.h"
#include "runtime/frame.h"
#include "runtime/runtime_object.h"

namespace qinghe {

using namespace form_engine;

namespace {

inline constexpr int32_t kFirstControlId = 100;
inline constexpr int32_t kControlIdStep = 10;

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
        if (first) object->raise();
        else object->stackUnder(it->second);
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
        if (live->isMinimized()) live->showNormal();
        else live->activateWindow();
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

}  // namespace

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
    auto serialise =
        reinterpret_cast<SerialiseEntry>(type->interface_entry(InterfaceCode::kSerialise));
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
        if (had_focus) fresh->setFocus();
        else if (previous_focus) previous_focus->setFocus();
    }
    process_pending_messages();
    lower_event_suspension();
}

void load_start_window(uint32_t window_id) {
    if (load_window(window_id, nullptr, false) != 0) report_utf8("载入启动窗口失败", 0, 0);
}

void restore_disabled_windows(uint32_t window_id) {
    auto it = engine().loads.find(window_id);
    if (it == engine().loads.end()) return;
    for (auto& [window, was_enabled] : it->second.disabled)
        if (window && was_enabled) window->setEnabled(true);
    it->second.disabled.clear();
}

}  // namespace qinghe
