// Window keys: Enter handed to a component that takes it, focus by value
// for types that ask for it, F1 opening the help file.
#include <QApplication>
#include <QKeyEvent>
#include <filesystem>
#include <fstream>

#include "components/input_hook.h"
#include "form_fixture.h"
#include "support/capturing_web_opener.h"

namespace qinghe::testing {
namespace {

// A probe whose type answers the key query for Enter when the object is
// marked "takes_enter".
bool probe_takes_key(QWidget* object, int32_t key) {
    return (key & 0xFFFF) == 13 && object->property("takes_enter").toBool();
}

void* probe_with_key_query(int32_t code) {
    if (code == InterfaceCode::kKeepsKey) return reinterpret_cast<void*>(&probe_takes_key);
    return probe_interface(code);
}

class WindowKeysTest : public FormEngineTest {
protected:
    void SetUp() override {
        FormEngineTest::SetUp();
        probe_library().types[0].interface_entry = &probe_with_key_query;
    }
    void TearDown() override {
        probe_library().types[0].interface_entry = &probe_interface;
        probe_library().types[0].flags = TypeFlag::kRaisesEvents;
        FormEngineTest::TearDown();
    }
    // Probes 2, 3, 4 with the given focus orders.
    void load(std::vector<int32_t> orders, const std::function<void(PropertyStore&)>& edit = {}) {
        std::vector<FormUnit> units;
        for (size_t i = 0; i < orders.size(); ++i) {
            auto u = unit(component_id(uint32_t(i + 2)), kProbeType,
                          QRect(20, 30 + 40 * int(i), 100, 24), "",
                          UnitState::kVisible | UnitState::kTabStop);
            u.focus_order = orders[i];
            units.push_back(std::move(u));
        }
        install({window(1, std::move(units), window_blob(edit))});
        ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
        QApplication::setActiveWindow(find_object(window_id(1), 0));
    }
    Probe* probe(uint32_t serial) {
        return static_cast<Probe*>(find_object(window_id(1), component_id(serial)));
    }
    static void press(QWidget* w, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, k, m, k == Qt::Key_Return ? "\r" : "");
        QCoreApplication::sendEvent(w, &e);
    }
    // Presses `k` on the focused probe `from`; the serial of the probe then focused.
    uint32_t focus_after(uint32_t from, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        probe(from)->setFocus();
        press(probe(from), k, m);
        for (uint32_t serial : {2u, 3u, 4u, 5u})
            if (probe(serial) && QApplication::focusWidget() == probe(serial)) return serial;
        return 0;
    }
};

TEST_F(WindowKeysTest, EnterGoesToTheFirstComponentThatTakesIt) {
    load({1, 2, 3});
    int returns3 = 0, returns4 = 0;
    QObject::connect(probe(3), &QLineEdit::returnPressed, [&] { ++returns3; });
    QObject::connect(probe(4), &QLineEdit::returnPressed, [&] { ++returns4; });
    probe(3)->setProperty("takes_enter", true);
    probe(4)->setProperty("takes_enter", true);
    probe(2)->setFocus();
    press(probe(2), Qt::Key_Return);
    EXPECT_EQ(returns3, 1);  // index order: the first taker only
    EXPECT_EQ(returns4, 0);
    EXPECT_EQ(QApplication::focusWidget(), probe(2));
    EXPECT_EQ(recorder().count(component_id(2), CommonEvent::kKeyDown), 0);
    // Hidden components are passed over; with no taker the key goes on as usual.
    probe(3)->hide();
    press(probe(2), Qt::Key_Return);
    EXPECT_EQ(returns4, 1);
    probe(4)->setProperty("takes_enter", false);
    press(probe(2), Qt::Key_Return);
    EXPECT_EQ(recorder().count(component_id(2), CommonEvent::kKeyDown), 1);
}

TEST_F(WindowKeysTest, FocusedTypeKeepsEnterBeforeAnyOtherRule) {
    load({1, 2, 3}, [](PropertyStore& p) { p.set_word(FormProperty::kEnterMovesFocus, 1); });
    EXPECT_EQ(focus_after(2, Qt::Key_Return), 3u);
    probe(2)->setProperty("takes_enter", true);
    EXPECT_EQ(focus_after(2, Qt::Key_Return), 2u);
}

TEST_F(WindowKeysTest, TypesWithFocusByValueChooseByTheirOrderValue) {
    load({5, 2, 5, 8});
    // Order: 3 (2), then 4 and 2 (5; higher index first), then 5 (8).
    EXPECT_EQ(focus_after(2, Qt::Key_Tab), 5u);
    probe_library().types[0].flags |= TypeFlag::kFocusByValue;
    struct Row {
        uint32_t from;
        bool forward;
        uint32_t expected;
    } rows[] = {
        {2, true, 4},   // first at or above 5, itself excluded
        {2, false, 3},  // last below 5
        {3, false, 5},  // none below 2: wraps to the last
        {5, true, 3},   // none at or above 8 but itself: wraps to the first
    };
    for (const Row& r : rows)
        EXPECT_EQ(focus_after(r.from, r.forward ? Qt::Key_Tab : Qt::Key_Backtab,
                              r.forward ? Qt::NoModifier : Qt::ShiftModifier),
                  r.expected)
            << r.from << (r.forward ? " forward" : " backward");
    probe_library().types[0].flags = TypeFlag::kRaisesEvents | TypeFlag::kFocusByValueFromZero;
    EXPECT_EQ(focus_after(5, Qt::Key_Tab), 3u);  // from 0: the first candidate
    EXPECT_EQ(focus_after(5, Qt::Key_Backtab, Qt::ShiftModifier), 2u);  // none below 0: the last
}

TEST_F(WindowKeysTest, F1OpensTheHelpFileWhenOnAndAMissingFileDoesNothing) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "qinghe-help-test";
    fs::create_directories(dir);
    const fs::path help = dir / "说明 1.hlp";
    std::ofstream(help) << "help";
    const std::string gbk_path = platform::gbk_from_utf8(help.string());
    load({1}, [&](PropertyStore& p) { p.set_bytes(FormProperty::kHelpFile, gbk_path); });
    CapturingWebOpener capture;
    auto* form = static_cast<FormWindowWidget*>(find_object(window_id(1), 0));
    probe(2)->setFocus();
    press(probe(2), Qt::Key_F1);
    EXPECT_TRUE(capture.targets.empty());  // the property is off
    EXPECT_EQ(recorder().count(component_id(2), CommonEvent::kKeyDown), 1);
    table_property_changed(form, FormProperty::kF1Help, {1, 0, nullptr, 0});
    press(probe(2), Qt::Key_F1);
    ASSERT_EQ(capture.targets.size(), 1u);
    EXPECT_EQ(capture.targets[0], "file://" + dir.string() + "/%E8%AF%B4%E6%98%8E%201.hlp");
    fs::remove_all(dir);
    press(probe(2), Qt::Key_F1);
    EXPECT_EQ(capture.targets.size(), 1u);
}

}  // namespace
}  // namespace qinghe::testing
