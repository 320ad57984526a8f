// Form window behaviour beyond loading: property changes, re-creation of
// a component, the idle list, the error message box, texts.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "form_fixture.h"
#include "runtime/property_access.h"
#include "support/report_capture.h"

namespace qinghe::testing {
namespace {

using FormWindowTest = FormEngineTest;

TEST_F(FormWindowTest, TitleAndBackgroundChangesReachTheWindow) {
    install({window(1, {})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    QWidget* w = find_object(window_id(1), 0);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("测试窗口"));
    std::string title = utf8_to_gbk("青禾基金持仓查看器");
    set_property(window_id(1), 0, 8 + FormProperty::kTitle, -1, TaggedArg::of_text(title.c_str()));
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("青禾基金持仓查看器"));
    set_property(window_id(1), 0, 8 + FormProperty::kBackground, -1, 0x737E50, 0);
    EXPECT_EQ(w->palette().color(QPalette::Window), QColor(0x50, 0x7E, 0x73));
    set_property(window_id(1), 0, 8 + FormProperty::kBorderStyle, -1, 12, 0);
    EXPECT_EQ(get_property(window_id(1), 0, 8 + FormProperty::kBorderStyle, -1).as_int(), 6);
    EXPECT_FALSE(w->windowIcon().isNull());  // the program's own icon
}

TEST_F(FormWindowTest, ActivationFiresFirstActivationOnceThenActivatedAndDeactivated) {
    install({window(1, {}), window(2, {})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    ASSERT_EQ(load_window(window_id(2), nullptr, false), 0);
    QWidget* first = find_object(window_id(1), 0);
    QWidget* second = find_object(window_id(2), 0);
    QApplication::setActiveWindow(first);
    QApplication::setActiveWindow(second);
    QApplication::setActiveWindow(first);
    for (uint32_t serial : {1u, 2u})
        EXPECT_EQ(recorder().count(own_unit_id(serial), FormEvent::kFirstActivation), 1);
    // Activated and deactivated alternate; the first window ends active.
    EXPECT_GE(recorder().count(own_unit_id(2), FormEvent::kActivated), 1);
    EXPECT_EQ(recorder().count(own_unit_id(1), FormEvent::kActivated),
              recorder().count(own_unit_id(1), FormEvent::kDeactivated) + 1);
    EXPECT_EQ(recorder().count(own_unit_id(2), FormEvent::kActivated),
              recorder().count(own_unit_id(2), FormEvent::kDeactivated));
    // The first activation comes before the first activated event.
    std::vector<int32_t> own_events;
    for (const auto& call : recorder().calls)
        if (call.unit_id == own_unit_id(2) && (call.event == 5 || call.event == 8))
            own_events.push_back(call.event);
    ASSERT_FALSE(own_events.empty());
    EXPECT_EQ(own_events.front(), FormEvent::kFirstActivation);
}

TEST_F(FormWindowTest, FixedBorderWindowStillTakesANewSize) {
    install({window(1, {})});  // border style 2: fixed
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    set_property(window_id(1), 0, 2, -1, 400, 0);
    set_property(window_id(1), 0, 3, -1, 150, 0);
    EXPECT_EQ(find_object(window_id(1), 0)->size(), QSize(400, 150));
    EXPECT_EQ(get_property(window_id(1), 0, 2, -1).as_int(), 400);
}

TEST_F(FormWindowTest, ComponentIsRecreatedInPlaceWithoutEvents) {
    install({window(1, {unit(component_id(2), kProbeType, QRect(7, 8, 90, 22), "1"),
                        unit(component_id(3), kProbeType, QRect(7, 40, 90, 22), "2")})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    QPointer<QWidget> old = find_object(window_id(1), component_id(2));
    const QVariant control_id = old->property("qinghe_control_id");
    recorder().calls.clear();
    set_property(window_id(1), component_id(2), 8, -1, 42, 0);
    QWidget* fresh = find_object(window_id(1), component_id(2));
    EXPECT_TRUE(old.isNull());
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->property("probe_block").toByteArray(), "42");
    EXPECT_EQ(fresh->geometry(), QRect(7, 8, 90, 22));
    EXPECT_EQ(fresh->property("qinghe_control_id"), control_id);
    EXPECT_TRUE(fresh->isVisible());
    for (const auto& call : recorder().calls)
        EXPECT_NE(call.unit_id, component_id(2)) << call.event;
    uint32_t w = 0, u = 0;
    EXPECT_TRUE(unit_of_object(fresh, &w, &u));
    EXPECT_EQ(u, component_id(2));
}

int g_idle_calls = 0;
void count_idle(intptr_t parameter) { g_idle_calls += int(parameter); }

TEST_F(FormWindowTest, IdleRoutinesRunWhileTheLoopWaits) {
    install({window(1, {})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    QWidget* w = find_object(window_id(1), 0);
    g_idle_calls = 0;
    register_idle(w, &count_idle, 1);
    register_idle(w, &count_idle, 1);  // a window is registered once
    QTimer::singleShot(20, [w] { w->close(); });
    run_message_loop();
    EXPECT_GT(g_idle_calls, 0);
}

TEST_F(FormWindowTest, RuntimeErrorShowsAModalBoxCaptionedError) {
    ReportCapture capture;
    install_error_box();
    QString title, text;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    EXPECT_EQ(exit_code_of([] { report_error(utf8_to_gbk("出错了").c_str(), 0, 1, 2); }), -1);
    EXPECT_EQ(title, QString::fromUtf8("错误"));
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("运行时出错!")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("出错了")));
}

TEST_F(FormWindowTest, StartWindowThatCannotLoadIsARuntimeError) {
    install({});
    ReportCapture capture;
    EXPECT_EQ(exit_code_of([] { load_start_window(window_id(5)); }), -1);
    EXPECT_NE(capture.utf8().find("载入启动窗口失败"), std::string::npos);
}

TEST_F(FormWindowTest, LabelTextsAreEnumerated) {
    std::string font = encode_font_record(FontRecord::of(utf8_to_gbk("微软雅黑"), 19, 400));
    install({window(1, {unit(component_id(2), UnitType::kLabel, QRect(0, 0, 50, 20),
                             label_blob([&](PropertyStore& p) {
                                 p.set_bytes(LabelProperty::kFont, font);
                             }))})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    std::vector<std::string> texts;
    table_enumerate_texts(find_object(window_id(1), component_id(2)),
                          [&](const std::string& t) { texts.push_back(t); });
    EXPECT_NE(std::find(texts.begin(), texts.end(), utf8_to_gbk("标签")), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), utf8_to_gbk("微软雅黑")), texts.end());
}

}  // namespace
}  // namespace qinghe::testing
