// The list box test fixture: a window holding one report list box with
// three columns and two rows, and helpers to call its commands and read or
// write its properties.
#pragma once

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPalette>
#include <QTimer>
#include <QTreeView>
#include <atomic>
#include <thread>

#include "components/extended_ui_library.h"
#include "components/list_box.h"
#include "components/list_box_commands.h"
#include "form_fixture.h"
#include "runtime/list_tables.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"
#include "support/report_capture.h"
#include "support/test_images.h"

namespace qinghe::testing::list_box_testing {

namespace P = ListBoxProperty;
constexpr int32_t kOwn = CommonProperty::kFirstOwn;
constexpr int32_t kLibraryIndex = Library::kExtendedUi - 1;
constexpr TaggedArg kOmitted{};

inline std::string list_blob(const std::function<void(PropertyStore&)>& edit = {}) {
    PropertyStore store(ListBox::table());
    store.set_word(P::kLayout, ListBoxLayout::kReport);
    store.set_bytes(P::kColumns, encode_column_table({{false, -1, 0, 120, "name"},
                                                      {false, -1, 2, 80, "ratio"},
                                                      {false, -1, 1, 60, "count"}}));
    store.set_bytes(P::kItems, encode_item_table({{false, 7, -1, 0, 11, "alpha", "tip a"},
                                                  {true, -1, -1, 0, 0, "1.5", ""},
                                                  {false, -1, -1, 0, 22, "beta", "tip b"}}));
    if (edit) edit(store);
    return store.write_blob();
}

class ListBoxTest : public FormEngineTest {
protected:
    void SetUp() override {
        FormEngineTest::SetUp();
        static LibraryRecord* libraries[4] = {&core_library_record(), &probe_library(), nullptr,
                                              &extended_ui_library()};
        initialise_libraries(libraries, 4);
    }

    ListBox* load(const std::string& blob = list_blob()) {
        FormUnit list = unit(component_id(2), UnitType::kListBox, QRect(5, 5, 300, 150), blob);
        list.events.push_back(
            {ListBoxEvent::kEditEnded, 100, &record_event<ListBoxEvent::kEditEnded>});
        install({window(1, {list})});
        if (load_window(window_id(1), nullptr, false) != 0) return nullptr;
        return box();
    }
    static ListBox* box() {
        return dynamic_cast<ListBox*>(find_object(window_id(1), component_id(2)));
    }

    static TaggedArg unit_ref() {
        return TaggedArg::of_unit(window_id(1), component_id(2), UnitType::kListBox);
    }
    // Calls command `number` of the library with the unit reference first.
    static TaggedArg command(int32_t number, std::vector<TaggedArg> args = {}) {
        args.insert(args.begin(), unit_ref());
        const CommandEntry entry = library_record(kLibraryIndex)->commands[number];
        return call_library_command(kLibraryIndex, entry, int32_t(args.size()), args.data());
    }
    static int32_t read(int32_t own) {
        return get_property(window_id(1), component_id(2), kOwn + own, -1).as_int();
    }
    static std::string read_text(int32_t own) {
        TaggedArg v = get_property(window_id(1), component_id(2), kOwn + own, -1);
        std::string s = v.text() ? v.text() : "";
        mem_free(v.pointer());
        return s;
    }
    static void write(int32_t own, int32_t value) {
        set_property(window_id(1), component_id(2), kOwn + own, -1, uint32_t(value), 0);
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static std::vector<uint32_t> args_of(int32_t event) {
        for (const auto& c : recorder().calls)
            if (c.unit_id == component_id(2) && c.event == event) return c.args;
        return {};
    }
};

}  // namespace qinghe::testing::list_box_testing
