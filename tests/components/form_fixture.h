// Test windows for the form engine: window tables built in code from the
// real form window and label types plus a probe type (a line edit that
// counts the clicks it sees), with every event bound to a recording
// handler whose replies the tests choose.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>
#include <map>
#include <string>
#include <vector>

#include "commands/core_library.h"
#include "components/component_types.h"
#include "components/form_window.h"
#include "components/label.h"
#include "platform/text_encoding.h"
#include "runtime/component_interface.h"
#include "runtime/event_dispatch.h"
#include "runtime/event_suspension.h"
#include "runtime/font_record.h"
#include "runtime/exit_list.h"
#include "runtime/form_resource.h"
#include "runtime/frame.h"
#include "runtime/property_block.h"
#include "runtime/runtime_exit.h"
#include "runtime/runtime_object.h"
#include "runtime/start_up.h"

namespace qinghe::testing {

inline constexpr uint32_t kProbeType = 0x00020001;

inline uint32_t window_id(uint32_t serial) { return 0x52000000u | serial; }
inline uint32_t own_unit_id(uint32_t serial) { return 0x06000000u | serial; }
inline uint32_t component_id(uint32_t serial) { return 0x16000000u | serial; }

struct Recorded {
    uint32_t window_id;
    uint32_t unit_id;
    int32_t event;
    std::vector<uint32_t> args;
};

struct Recorder {
    std::vector<Recorded> calls;
    // Reply of a handler by (unit id, event); absent = returns nothing.
    std::map<std::pair<uint32_t, int32_t>, uint32_t> replies;
    // Optional action run inside a handler, by (unit id, event).
    std::map<std::pair<uint32_t, int32_t>, std::function<void()>> actions;

    int count(uint32_t unit_id, int32_t event) const {
        int n = 0;
        for (const auto& c : calls) n += c.unit_id == unit_id && c.event == event;
        return n;
    }
};

inline Recorder& recorder() {
    static Recorder r;
    return r;
}

// Every binding needs its own handler word; the handler learns the event
// from this table.
inline constexpr int32_t kBoundEvents[] = {-12, -11, -10, -9, -8, -7, -6, -5, -4, -3, -2, -1,
                                           0,   1,   2,   3,  4,  5,  6,  8,  10, 11, 12};

template <int32_t Event>
HandlerResult record_event(const uint32_t* args, int32_t count) {
    uint32_t w = 0, u = 0;
    current_event_source(&w, &u);
    recorder().calls.push_back({w, u, Event, std::vector<uint32_t>(args, args + count)});
    auto key = std::make_pair(u, Event);
    if (auto a = recorder().actions.find(key); a != recorder().actions.end()) {
        auto action = a->second;
        action();
    }
    if (auto r = recorder().replies.find(key); r != recorder().replies.end())
        return HandlerResult::of(r->second);
    return HandlerResult::none();
}

template <size_t... I>
std::vector<EventBinding> bind_all(std::index_sequence<I...>) {
    return {EventBinding{kBoundEvents[I], uint32_t(I), &record_event<kBoundEvents[I]>}...};
}

inline std::vector<EventBinding> all_events() {
    return bind_all(std::make_index_sequence<std::size(kBoundEvents)>());
}

// A line edit that counts the mouse presses that reach it.
class Probe : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        ++presses;
        QLineEdit::mousePressEvent(e);
    }
};

inline QWidget* create_probe(const CreateRequest& r) {
    auto* p = new Probe(r.parent);
    p->setGeometry(r.left, r.top, r.width, r.height);
    p->setProperty("probe_block", QByteArray(reinterpret_cast<const char*>(r.block), r.length));
    return p;
}

// Own property 0 of a probe is a word kept in its block; changing it asks
// for re-creation.
inline int32_t probe_changed(QWidget* object, int32_t, const PropertyValue& value) {
    object->setProperty("probe_block", QByteArray::number(value.word));
    return 1;
}

inline std::string serialise_probe(QWidget* object) {
    return object->property("probe_block").toByteArray().toStdString();
}

inline void* probe_interface(int32_t code) {
    switch (code) {
    case InterfaceCode::kCreate: return reinterpret_cast<void*>(&create_probe);
    case InterfaceCode::kPropertyChanged: return reinterpret_cast<void*>(&probe_changed);
    case InterfaceCode::kSerialise: return reinterpret_cast<void*>(&serialise_probe);
    default: return nullptr;
    }
}

inline LibraryRecord& probe_library() {
    static DataTypeRecord types[1] = {};
    static LibraryRecord library;
    types[0].name = "probe";
    types[0].ascii_name = "probe";
    types[0].flags = TypeFlag::kRaisesEvents;
    types[0].interface_entry = &probe_interface;
    library.type_count = 1;
    library.types = types;
    return library;
}

inline std::string utf8_to_gbk(const char* s) { return platform::gbk_from_utf8(s); }

// A form window's property block, with properties adjusted by `edit`.
inline std::string window_blob(const std::function<void(PropertyStore&)>& edit = {}) {
    PropertyStore store(FormWindowWidget::table());
    store.set_bytes(FormProperty::kTitle, utf8_to_gbk("测试窗口"));
    if (edit) edit(store);
    return store.write_blob();
}

inline std::string label_blob(const std::function<void(PropertyStore&)>& edit = {}) {
    PropertyStore store(Label::table());
    if (edit) edit(store);
    return store.write_blob();
}

inline FormUnit unit(uint32_t id, uint32_t type, QRect g, std::string blob,
                     uint32_t state = UnitState::kVisible) {
    FormUnit u;
    u.id = id;
    u.type = type;
    u.left = g.left(), u.top = g.top(), u.width = g.width(), u.height = g.height();
    u.property_block = std::move(blob);
    u.state = state;
    u.events = all_events();
    u.mouse_pointer = std::string(4, '\0');
    return u;
}

// Window `serial` with the given components (unit 0 made here).
inline FormWindow window(uint32_t serial, std::vector<FormUnit> components,
                         std::string blob = window_blob(), uint32_t state = UnitState::kVisible) {
    FormWindow w;
    w.id = window_id(serial);
    w.units.push_back(unit(own_unit_id(serial), UnitType::kWindow, QRect(10, 10, 320, 200),
                           std::move(blob), state));
    w.units.front().tag = utf8_to_gbk("窗口标记");
    for (auto& c : components) w.units.push_back(std::move(c));
    return w;
}

class FormEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool once = [] {
            static LibraryRecord* libraries[2] = {&core_library_record(), &probe_library()};
            initialise_libraries(libraries, 2);
            register_component_types();
            install_error_locations();
            return true;
        }();
        (void)once;
        recorder() = Recorder{};
        while (event_suspension_count() > 0) lower_event_suspension();
    }
    void TearDown() override {
        reset_form_engine();
        while (event_suspension_count() > 0) lower_event_suspension();
        clear_exit_list();
        set_exit_sequence(nullptr);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void install(std::vector<FormWindow> windows) {
        WindowTable table;
        table.windows = std::move(windows);
        install_window_table(std::move(table));
    }
};

}  // namespace qinghe::testing
