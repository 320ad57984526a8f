// The form window's input hook: common events with their arguments, and
// handler results that swallow or rewrite the input.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "components/input_hook.h"
#include "form_fixture.h"

namespace qinghe::testing {
namespace {

class InputHookTest : public FormEngineTest {
protected:
    void SetUp() override {
        FormEngineTest::SetUp();
        auto first = unit(component_id(2), kProbeType, QRect(20, 30, 100, 24), "",
                          UnitState::kVisible | UnitState::kTabStop);
        auto second = unit(component_id(3), kProbeType, QRect(20, 70, 100, 24), "",
                           UnitState::kVisible | UnitState::kTabStop);
        auto third = unit(component_id(4), kProbeType, QRect(20, 110, 100, 24), "",
                          UnitState::kVisible | UnitState::kTabStop);
        first.focus_order = 2;
        second.focus_order = 1;
        third.focus_order = 1;
        install({window(1, {first, second, third})});
        ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
        recorder().calls.clear();
    }
    Probe* probe(uint32_t serial) {
        return static_cast<Probe*>(find_object(window_id(1), component_id(serial)));
    }
    void click(QWidget* w, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        static quint64 time = 1000;
        QPointF global = w->mapToGlobal(QPointF(at));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton,
                          Qt::LeftButton, modifiers);
        press.setTimestamp(++time);
        QCoreApplication::sendEvent(w, &press);
    }
    void key(QWidget* w, int k, const QString& text = {},
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, k, modifiers, text);
        QCoreApplication::sendEvent(w, &e);
    }
};

TEST_F(InputHookTest, LeftButtonHandlerReturningFalseKeepsTheClickFromTheComponent) {
    click(probe(2), QPoint(5, 6), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(probe(2)->presses, 1);  // a handler returning nothing lets it pass
    ASSERT_EQ(recorder().count(component_id(2), -1), 1);
    EXPECT_EQ(recorder().calls.back().args, (std::vector<uint32_t>{5, 6, 3}));
    recorder().replies[{component_id(2), -1}] = 0;
    click(probe(2), QPoint(5, 6));
    EXPECT_EQ(probe(2)->presses, 1);
    recorder().replies[{component_id(2), -1}] = 1;
    click(probe(2), QPoint(5, 6));
    EXPECT_EQ(probe(2)->presses, 2);
    // The window itself never sees the component's click as its own.
    EXPECT_EQ(recorder().count(own_unit_id(1), -1), 0);
}

TEST_F(InputHookTest, CharacterHandlerResultReplacesOrSwallowsTheCharacter) {
    probe(2)->setFocus();
    QApplication::setActiveWindow(find_object(window_id(1), 0));
    probe(2)->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), probe(2));
    recorder().calls.clear();
    recorder().replies[{component_id(2), -11}] = 65;
    key(probe(2), Qt::Key_B, "b");
    EXPECT_EQ(probe(2)->text(), "A");
    recorder().replies[{component_id(2), -11}] = 0;
    key(probe(2), Qt::Key_C, "c");
    EXPECT_EQ(probe(2)->text(), "A");
    recorder().replies.erase({component_id(2), -11});
    key(probe(2), Qt::Key_D, "d");
    EXPECT_EQ(probe(2)->text(), "Ad");
    ASSERT_EQ(recorder().count(component_id(2), -9), 3);
    EXPECT_EQ(recorder().calls.front().args, (std::vector<uint32_t>{'B', 0}));
}

TEST_F(InputHookTest, TabMovesByFocusOrderAndEqualOrdersByDescendingIndex) {
    QApplication::setActiveWindow(find_object(window_id(1), 0));
    probe(4)->setFocus();
    // Order: focus order 1 (units 3 and 2 by descending index: 4, 3), then 2.
    key(probe(4), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), probe(3));
    key(probe(3), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), probe(2));
    key(probe(2), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), probe(4));
    key(probe(4), Qt::Key_Backtab, {}, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), probe(2));
    EXPECT_EQ(recorder().count(component_id(4), -9), 0);  // Tab is the window's
}

TEST_F(InputHookTest, KeyCodesAndStates) {
    struct Row {
        int key;
        Qt::KeyboardModifiers modifiers;
        uint32_t code;
        uint32_t state;
    };
    const Row rows[] = {
        {Qt::Key_7, Qt::KeypadModifier, '7', 0},
        {Qt::Key_Minus, Qt::KeypadModifier, 189, 0},
        {Qt::Key_Period, Qt::KeypadModifier, 190, 0},
        {Qt::Key_Slash, Qt::KeypadModifier, 191, 0},
        {Qt::Key_F5, Qt::AltModifier, 0x74, 4},
        {Qt::Key_Control, Qt::ControlModifier | Qt::ShiftModifier, 17, 2},
        {Qt::Key_Shift, Qt::ShiftModifier, 16, 0},
        {Qt::Key_A, Qt::ControlModifier, 'A', 1},
    };
    for (const Row& r : rows) {
        QKeyEvent e(QEvent::KeyPress, r.key, r.modifiers);
        EXPECT_EQ(virtual_key_code(e), r.code) << r.key;
        EXPECT_EQ(key_state(e, true), r.state) << r.key;
    }
}

TEST_F(InputHookTest, WheelAndRightButtonReachTheirEvents) {
    QWidget* w = probe(3);
    QPointF at(4, 4);
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &wheel);
    ASSERT_EQ(recorder().count(component_id(3), -12), 1);
    EXPECT_EQ(recorder().calls.back().args, (std::vector<uint32_t>{uint32_t(-2), 2}));
    QMouseEvent right(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
    right.setTimestamp(99999);
    QCoreApplication::sendEvent(w, &right);
    EXPECT_EQ(recorder().count(component_id(3), -5), 1);
}

}  // namespace
}  // namespace qinghe::testing
