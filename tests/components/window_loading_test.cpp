// Window loading, the message loop and the end of the program, on test
// windows made of form windows, labels and probes.
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "form_fixture.h"
#include "commands/core_commands.h"
#include "commands/window_commands.h"
#include "support/report_capture.h"
#include "runtime/start_up.h"
#include "runtime/property_access.h"

namespace qinghe::testing {
namespace {

using LoadingTest = FormEngineTest;

FormUnit label(uint32_t serial, QRect g = QRect(10, 10, 80, 20)) {
    return unit(component_id(serial), UnitType::kLabel, g, label_blob());
}

TEST_F(LoadingTest, ComponentsGetControlIdsInCreationOrderLastUnitFirst) {
    install({window(1, {label(2), label(3), unit(component_id(4), kProbeType, {}, "")})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    EXPECT_EQ(find_object(window_id(1), component_id(4))->property("qinghe_control_id"), 100);
    EXPECT_EQ(find_object(window_id(1), component_id(3))->property("qinghe_control_id"), 110);
    EXPECT_EQ(find_object(window_id(1), component_id(2))->property("qinghe_control_id"), 120);
    // Design order is stacking order: the first component lies on top.
    QWidget* top = find_object(window_id(1), 0);
    auto children = top->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(children.back(), find_object(window_id(1), component_id(2)));
}

TEST_F(LoadingTest, LoadFiresEventsZeroThreeFourAndShowsTheWindow) {
    install({window(1, {label(2)})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    std::vector<int32_t> own;
    for (const auto& c : recorder().calls)
        if (c.unit_id == own_unit_id(1) && c.event >= 0 && c.event <= 4) own.push_back(c.event);
    EXPECT_EQ(own, (std::vector<int32_t>{0, 3, 4}));
    EXPECT_TRUE(find_object(window_id(1), 0)->isVisible());
    EXPECT_TRUE(find_object(window_id(1), component_id(2))->isVisible());
}

TEST_F(LoadingTest, EventsRaisedDuringALoadReachNoHandler) {
    install({window(1, {label(2)})});
    // The component's property change fires its own event while the load
    // still holds events back.
    recorder().actions[{own_unit_id(1), 0}] = [] {};
    raise_event_suspension();
    EXPECT_EQ(raise_event(window_id(1), component_id(2), -1, {1, 2, 0}).has_value, false);
    EventRecord r{window_id(1), component_id(2), -1, 3, {1, 2, 0}};
    EXPECT_EQ(fire_event(&r), 0);
    lower_event_suspension();
    EXPECT_EQ(recorder().calls.size(), 0u);
    EXPECT_EQ(fire_event(&r), 1);
    EXPECT_EQ(recorder().count(component_id(2), -1), 1);
}

TEST_F(LoadingTest, LoadingALoadedWindowOnlyActivatesIt) {
    install({window(1, {label(2)})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    QWidget* first = find_object(window_id(1), 0);
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    EXPECT_EQ(find_object(window_id(1), 0), first);
    EXPECT_EQ(recorder().count(own_unit_id(1), 0), 1);
}

TEST_F(LoadingTest, UnknownWindowOrNewerBlockFailsTheLoad) {
    std::string newer = window_blob();
    newer[0] = 7;
    install({window(1, {}), window(2, {label(3)}, newer)});
    EXPECT_EQ(load_window(window_id(9), nullptr, false), -1);
    EXPECT_EQ(load_window(window_id(2), nullptr, false), -1);
    EXPECT_EQ(find_object(window_id(2), component_id(3)), nullptr);
    EXPECT_EQ(event_suspension_count(), 0);
    // The failed load left the resource state for the next attempt.
    EXPECT_EQ(window_table().find(window_id(2))->units.size(), 2u);
}

TEST_F(LoadingTest, CutOrNewerLabelBlocksFailTheLoadWithoutHarm) {
    const std::string blob = label_blob();
    std::string newer = blob;
    newer[0] = 3;
    std::vector<std::string> bad = {newer};
    for (size_t cut = 1; cut < blob.size(); cut += 3) bad.push_back(blob.substr(0, cut));
    for (const std::string& b : bad) {
        install({window(1, {unit(component_id(2), UnitType::kLabel, QRect(0, 0, 10, 10), b)})});
        EXPECT_EQ(load_window(window_id(1), nullptr, false), -1) << b.size();
        EXPECT_EQ(find_object(window_id(1), 0), nullptr);
        reset_form_engine();
    }
    // An empty block is a label with every default.
    install({window(1, {unit(component_id(2), UnitType::kLabel, QRect(0, 0, 10, 10), "")})});
    EXPECT_EQ(load_window(window_id(1), nullptr, false), 0);
}

TEST_F(LoadingTest, VisibleOnTheWindowsOwnUnitShowsAHiddenWindow) {
    install({window(1, {label(2)}, window_blob(), 0)});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    QWidget* w = find_object(window_id(1), 0);
    EXPECT_FALSE(w->isVisible());
    set_property(window_id(1), 0, 5, -1, 1, 0);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(LoadingTest, ModalLoadReturnsAfterCloseAndReEnablesExactlyWhatItDisabled) {
    install({window(1, {}), window(2, {}), window(3, {label(4)})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    ASSERT_EQ(load_window(window_id(2), nullptr, false), 0);
    set_property(window_id(2), 0, 6, -1, 1, 0);  // already disabled before the modal load
    bool others_disabled_inside = false;
    // Once loaded, the modal loop closes the window from a timer.
    recorder().actions[{own_unit_id(3), 0}] = [&] {
        QTimer::singleShot(0, [&] {
            others_disabled_inside = !find_object(window_id(1), 0)->isEnabled() &&
                                     !find_object(window_id(2), 0)->isEnabled();
            find_object(window_id(3), 0)->close();
        });
    };
    ASSERT_EQ(load_window(window_id(3), nullptr, true), 0);
    EXPECT_TRUE(others_disabled_inside);
    EXPECT_EQ(find_object(window_id(3), 0), nullptr);  // returned only once closed
    EXPECT_TRUE(find_object(window_id(1), 0)->isEnabled());
    EXPECT_FALSE(find_object(window_id(2), 0)->isEnabled());
}

TEST_F(LoadingTest, CloseAsksEventTwelveThenOneAndEitherCanRefuse) {
    install({window(1, {label(2)})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    auto* form = dynamic_cast<FormWindowWidget*>(find_object(window_id(1), 0));
    recorder().replies[{own_unit_id(1), 1}] = 0;
    EXPECT_FALSE(form->request_close());
    EXPECT_EQ(recorder().count(own_unit_id(1), 12), 1);
    EXPECT_EQ(recorder().count(own_unit_id(1), 1), 1);
    EXPECT_NE(find_object(window_id(1), 0), nullptr);
    recorder().replies[{own_unit_id(1), 1}] = 1;
    recorder().replies[{own_unit_id(1), 12}] = 0;
    EXPECT_FALSE(form->request_close());
    EXPECT_EQ(recorder().count(own_unit_id(1), 1), 1);  // 12 refused first
    recorder().replies.clear();
    EXPECT_TRUE(form->request_close());
    EXPECT_EQ(recorder().count(own_unit_id(1), 2), 1);
    EXPECT_EQ(find_object(window_id(1), 0), nullptr);
    EXPECT_EQ(find_object(window_id(1), component_id(2)), nullptr);
}

TEST_F(LoadingTest, EscClosesOnlyWhenTheWindowSaysSo) {
    auto no_esc = window_blob([](PropertyStore& p) { p.set_word(FormProperty::kEscCloses, 0); });
    install({window(1, {}), window(2, {}, no_esc)});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    ASSERT_EQ(load_window(window_id(2), nullptr, false), 0);
    for (uint32_t serial : {1u, 2u}) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(find_object(window_id(serial), 0), &esc);
    }
    EXPECT_EQ(find_object(window_id(1), 0), nullptr);
    EXPECT_NE(find_object(window_id(2), 0), nullptr);
}

TEST_F(LoadingTest, EscForAWindowBehindAModalWindowIsDropped) {
    install({window(1, {}), window(2, {})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    bool behind_survived = false, modal_closed = false;
    recorder().actions[{own_unit_id(2), 0}] = [&] {
        QTimer::singleShot(0, [&] {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(find_object(window_id(1), 0), &esc);
            behind_survived = find_object(window_id(1), 0) != nullptr;
            QKeyEvent esc_modal(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(find_object(window_id(2), 0), &esc_modal);
            modal_closed = find_object(window_id(2), 0) == nullptr;
        });
    };
    ASSERT_EQ(load_window(window_id(2), nullptr, true), 0);
    EXPECT_TRUE(behind_survived);
    EXPECT_TRUE(modal_closed);
    EXPECT_NE(find_object(window_id(1), 0), nullptr);
}

TEST_F(LoadingTest, TheLastWindowsCloseEndsTheLoopAndAnotherDoesNot) {
    install({window(1, {}), window(2, {})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    ASSERT_EQ(load_window(window_id(2), nullptr, false), 0);
    bool first_closed_loop_running = false;
    QTimer::singleShot(0, [&] {
        find_object(window_id(2), 0)->close();
        QTimer::singleShot(0, [&] {
            first_closed_loop_running = true;
            find_object(window_id(1), 0)->close();
        });
    });
    run_message_loop();
    EXPECT_TRUE(first_closed_loop_running);
    EXPECT_EQ(find_object(window_id(1), 0), nullptr);
}

TEST_F(LoadingTest, ADestroyedWindowLoadsAgainFromItsResourceState) {
    install({window(1, {label(2)})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    set_property(window_id(1), component_id(2), 0, -1, 55, 0);
    find_object(window_id(1), 0)->close();
    EXPECT_EQ(get_property(window_id(1), component_id(2), 0, -1).as_int(), 10);
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    EXPECT_EQ(find_object(window_id(1), component_id(2))->x(), 10);
}

TEST_F(LoadingTest, LoadWindowCommandGoesThroughTheHostServices) {
    register_form_services();
    install_window_commands();
    install({window(1, {}), window(2, {})});
    auto load = [](std::vector<TaggedArg> args) {
        return call_core_command(core_command(CoreCommand::load_window), int32_t(args.size()),
                                 args.data());
    };
    const uint32_t kWindowType = UnitType::kWindow;
    TaggedArg none{};
    // A parent that is not open: false, nothing loaded.
    TaggedArg r =
        load({TaggedArg::of_unit(window_id(2), 0, kWindowType),
              TaggedArg::of_unit(window_id(1), 0, kWindowType), TaggedArg::of_bool(false)});
    EXPECT_EQ(r.type, TypeTag::kBool);
    EXPECT_EQ(r.lo, 0u);
    EXPECT_EQ(find_object(window_id(2), 0), nullptr);
    r = load({TaggedArg::of_unit(window_id(1), 0, kWindowType), none, TaggedArg::of_bool(false)});
    EXPECT_EQ(r.lo, 1u);
    r = load({TaggedArg::of_unit(window_id(2), 0, kWindowType),
              TaggedArg::of_unit(window_id(1), 0, kWindowType), TaggedArg::of_bool(false)});
    EXPECT_EQ(r.lo, 1u);
    EXPECT_EQ(find_object(window_id(2), 0)->parentWidget(), find_object(window_id(1), 0));
    r = load({TaggedArg::of_unit(window_id(7), 0, kWindowType), none, TaggedArg::of_bool(false)});
    EXPECT_EQ(r.lo, 0u);
}

void first_exit_routine(int32_t) { recorder().calls.push_back({0, 0, 1001, {}}); }
void second_exit_routine(int32_t) { recorder().calls.push_back({0, 0, 1002, {}}); }

TEST_F(LoadingTest, ExitSequenceDestroysWindowsAndRunsTheExitListOnceInOrder) {
    install({window(1, {label(2)})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    recorder().calls.clear();
    ReportCapture capture;
    set_exit_sequence(&form_engine_exit_sequence);
    register_exit_routine(&second_exit_routine);
    register_exit_routine(&first_exit_routine);
    register_exit_routine(&second_exit_routine);
    EXPECT_EQ(exit_code_of([] { runtime_exit(3); }), 3);
    EXPECT_EQ(find_object(window_id(1), 0), nullptr);
    EXPECT_EQ(recorder().count(own_unit_id(1), 2), 0);  // events are held back at exit
    ASSERT_EQ(recorder().calls.size(), 2u);
    EXPECT_EQ(recorder().calls[0].event, 1002);
    EXPECT_EQ(recorder().calls[1].event, 1001);
    EXPECT_EQ(exit_code_of([] { runtime_exit(4); }), 4);
    EXPECT_EQ(recorder().calls.size(), 2u);
}

TEST_F(LoadingTest, RuntimeErrorInAHandlerReportsTheWindowAndEndsWithMinusOne) {
    install({window(1, {label(2)})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    find_object(window_id(1), 0);
    window_table().find(window_id(1))->units[1].tag = utf8_to_gbk("标签标记");
    ReportCapture capture;
    set_exit_sequence(&form_engine_exit_sequence);
    register_exit_routine(&first_exit_routine);
    recorder().actions[{component_id(2), -2}] = [] {
        report_error(utf8_to_gbk("出错了").c_str(), 0, window_id(1), component_id(2));
    };
    EventRecord r{window_id(1), component_id(2), -2, 3, {1, 1, 0}};
    EXPECT_EQ(exit_code_of([&] { fire_event(&r); }), -1);
    char location[64];
    std::snprintf(location, sizeof location, "\r\n%d, %d", int32_t(window_id(1)),
                  int32_t(component_id(2)));
    EXPECT_EQ(capture.utf8(), std::string("运行时出错!\r\n\r\n错误信息：出错了\r\n") + location +
                                  "\r\n\"窗口标记\"\r\n\"标签标记\"\r\n");
    EXPECT_EQ(recorder().count(0, 1001), 0);  // the exit list does not run after an error
    EXPECT_EQ(find_object(window_id(1), 0), nullptr);
}

}  // namespace
}  // namespace qinghe::testing
