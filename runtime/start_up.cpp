#include "runtime/start_up.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <optional>

#include "platform/text_encoding.h"
#include "runtime/event_dispatch.h"
#include "runtime/event_suspension.h"
#include "runtime/form_resource.h"
#include "runtime/frame.h"
#include "runtime/host_services.h"
#include "runtime/main_thread.h"
#include "runtime/memory.h"
#include "runtime/program_header.h"
#include "runtime/property_access.h"
#include "runtime/runtime_error.h"
#include "runtime/runtime_exit.h"
#include "runtime/runtime_object.h"
#include "runtime/service_table.h"

namespace qinghe {
namespace {

const ProgramHeader* g_header = nullptr;
std::unique_ptr<QWidget> g_hidden_owner;

// The window table answers for the location lines of an error report.
class WindowTableLocations : public ErrorLocationSource {
public:
    std::optional<std::string> window_tag(uint32_t window_id) const override {
        const FormWindow* w = window_table().find(window_id);
        if (!w || w->units.empty()) return std::nullopt;
        return w->units.front().tag;
    }
    std::optional<std::string> unit_tag(uint32_t window_id, uint32_t unit_id) const override {
        const FormWindow* w = window_table().find(window_id);
        const FormUnit* u = w ? find_unit(*w, unit_id) : nullptr;
        if (!u || u->menu_item()) return std::nullopt;
        return u->tag;
    }
};

void create_hidden_owner() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || g_hidden_owner) return;
    g_hidden_owner = std::make_unique<QWidget>(nullptr, Qt::Tool);
    g_hidden_owner->setObjectName(QStringLiteral("_ZK_HideOwner"));
}

void exit_sequence(int32_t code) {
    form_engine_exit_sequence(code);
    if (on_main_thread()) g_hidden_owner.reset();
}

template <typename T>
T* as(intptr_t word) {
    return reinterpret_cast<T*>(word);
}

intptr_t load_window_service(intptr_t request, intptr_t) {
    auto* r = as<WindowLoadRequest>(request);
    if (!r) return -1;
    int32_t result = -1;
    run_on_main_thread([&] { result = load_window(r->window_id, r->owner, r->modal != 0); });
    return result;
}

intptr_t event_source_service(intptr_t out, intptr_t) {
    uint32_t window_id = 0, unit_id = 0;
    if (!current_event_source(&window_id, &unit_id)) return 0;
    if (auto* ids = as<uint32_t>(out)) {
        ids[0] = window_id;
        ids[1] = unit_id;
    }
    return 1;
}

// Services 4 and 5 address a window object held directly.
intptr_t object_property_service(const intptr_t* words, int32_t count, bool write) {
    if (count < 4) return 0;
    auto* object = as<QWidget>(words[1]);
    uint32_t window_id = 0, unit_id = 0;
    if (!unit_of_object(object, &window_id, &unit_id)) return 0;
    const int32_t number = int32_t(words[2]) + 8;
    if (!write) {
        TaggedArg v = get_property(window_id, unit_id, number, int32_t(words[3]));
        return intptr_t(v.bits64());
    }
    uint64_t value = count > 4 ? uint64_t(words[4]) : 0;
    set_property(window_id, unit_id, number, int32_t(words[3]), uint32_t(value),
                 uint32_t(value >> 32));
    return 0;
}

}  // namespace

void set_program_header(const ProgramHeader* header) { g_header = header; }

void initialise(const ProgramHeader& header) {
    record_main_thread();
    create_hidden_owner();
    initialise_core(header);
    WindowTable table;
    std::string error;
    if (header.form_resource &&
        !load_form_resources(header.form_resource, header.form_resource_length, header.code_base,
                             header.handler_count, table, &error))
        report_error(error.c_str(), 0, 0, 0);
    install_window_table(std::move(table));
    install_error_locations();
    set_exit_sequence(&exit_sequence);
    install_error_box();
    register_form_services();
}

void install_error_locations() {
    static const WindowTableLocations locations;
    set_error_location_source(&locations);
}

void install_error_box() {
    set_error_presenter([](std::string_view text) {
        const QString message = QString::fromStdString(platform::utf8_from_gbk(text));
        auto show = [&] {
            QMessageBox box(QMessageBox::Critical, QString::fromUtf8("错误"), message);
            box.exec();
        };
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
            !run_on_main_thread(show)) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fputc('\n', stderr);
        }
    });
}

void register_form_services() {
    register_host_service(1001, [](intptr_t, intptr_t) { return intptr_t(&window_table()); });
    register_host_service(
        1002, [](intptr_t type, intptr_t) { return intptr_t(data_type_record(uint32_t(type))); });
    register_host_service(2000, [](intptr_t window_id, intptr_t unit_id) {
        notify_destroyed(uint32_t(window_id), uint32_t(unit_id),
                         find_object(uint32_t(window_id), uint32_t(unit_id)));
        return intptr_t(0);
    });
    register_host_service(2003,
                          [](intptr_t, intptr_t) { return intptr_t(program_directory().c_str()); });
    register_host_service(2004,
                          [](intptr_t, intptr_t) { return intptr_t(program_file_name().c_str()); });
    register_host_service(2005, &load_window_service);
    register_host_service(2006, [](intptr_t window_id, intptr_t unit_id) {
        return intptr_t(find_object(uint32_t(window_id), uint32_t(unit_id)));
    });
    register_host_service(2007, [](intptr_t window_id, intptr_t unit_id) {
        return intptr_t(require_object(uint32_t(window_id), uint32_t(unit_id)));
    });
    register_host_service(2008, [](intptr_t record, intptr_t) {
        return intptr_t(fire_event(as<EventRecord>(record)));
    });
    register_host_service(2009, [](intptr_t, intptr_t) {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        raise_event_suspension();
        return intptr_t(0);
    });
    register_host_service(2010, [](intptr_t, intptr_t) {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        lower_event_suspension();
        return intptr_t(0);
    });
    register_host_service(2017, &event_source_service);
    register_host_service(2018, [](intptr_t, intptr_t) {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        return intptr_t(0);
    });
    register_host_service(2022, [](intptr_t window_id, intptr_t unit_id) {
        return intptr_t(unit_type_of(uint32_t(window_id), uint32_t(unit_id)));
    });
    register_host_service(2028,
                          [](intptr_t code, intptr_t) -> intptr_t { runtime_exit(int32_t(code)); });
    register_host_service(2031, [](intptr_t record, intptr_t) {
        return intptr_t(fire_typed_event(as<TypedEventRecord>(record)));
    });
    register_service(Service::kReadObjectProperty, [](const intptr_t* words, int32_t count) {
        return object_property_service(words, count, false);
    });
    register_service(Service::kWriteObjectProperty, [](const intptr_t* words, int32_t count) {
        return object_property_service(words, count, true);
    });
    register_service(Service::kInitialise, [](const intptr_t*, int32_t) {
        if (g_header) initialise(*g_header);
        return intptr_t(0);
    });
}

}  // namespace qinghe
