// The program's main window with the real window resource: start-up,
// colour schemes and their setting, and the About window. Needs the edit
// box and list box types; without them the window cannot load and the
// cases are skipped.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <memory>

#include "commands/music_commands.h"
#include "components/edit_box.h"
#include "main_window_fixture.h"
#include "platform/midi.h"

namespace qinghe::app {
namespace {

using namespace main_window_testing;

TEST_F(MainWindowTest, StartUpEmptiesWhatTheResourceStoresAndPaintsTheDarkScheme) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    EXPECT_EQ(text_property(unit::edit_codes), "");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(text_property(unit::label_progress), "");
    EXPECT_EQ(colour(0, 10), 0x000000u);
    EXPECT_EQ(colour(unit::label_analyse, 16), 0x0080FFu);
    EXPECT_EQ(colour(unit::label_progress, 17), 0x000000u);  // caption colours win
    EXPECT_EQ(colour(unit::label_progress, 16), 0xC0C0C0u);
    EXPECT_EQ(colour(unit::edit_codes, 11), 0x0080FFu);
    EXPECT_EQ(colour(unit::list_results, 11), 0x0080FFu);
    EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
}

struct SchemeCase {
    const char* config;  // null: no configuration file
    uint32_t background;
    const char* saved_after_one_switch;
};

// Names the case in test listings instead of its bytes.
void PrintTo(const SchemeCase& c, std::ostream* out) {
    *out << (c.config ? c.config : "no configuration file");
}

class SchemeTest : public MainWindowTest, public ::testing::WithParamInterface<SchemeCase> {};

TEST_P(SchemeTest, FollowsTheSettingTogglesAndIsSavedOnlyWhenTheWindowGoes) {
    const SchemeCase& c = GetParam();
    if (c.config) write_config(c.config);
    LOAD_MAIN_WINDOW_OR_SKIP();
    EXPECT_EQ(colour(0, 10), c.background);
    click(unit::label_switch_scheme);
    click(unit::label_switch_scheme);
    EXPECT_EQ(colour(0, 10), c.background);
    EXPECT_EQ(fs::exists(directory_.file("配置.ini")), c.config != nullptr);
    click(unit::label_switch_scheme);
    EXPECT_NE(colour(0, 10), c.background);
    object(0)->close();
    ASSERT_TRUE(wait_until([] { return object(0) == nullptr; }));
    EXPECT_EQ(saved_colour(), c.saved_after_one_switch);
}

std::string scheme_case_name(const ::testing::TestParamInfo<SchemeCase>& info) {
    static const char* const names[] = {"NoFile", "Dark", "Green", "OtherValue"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Settings, SchemeTest,
                         ::testing::Values(SchemeCase{nullptr, 0x000000, "1"},
                                           SchemeCase{"[设置]\r\n颜色=0\r\n", 0x000000, "1"},
                                           SchemeCase{"[设置]\r\n颜色=1\r\n", 0x737E50, "0"},
                                           SchemeCase{"[设置]\r\n颜色=绿\r\n", 0x737E50, "0"}),
                         scheme_case_name);

// What the edit box holds is written to 基金列表 when the window goes, lines
// joined by ",", and put back at the next start with the caret at the end;
// a read-only file is left as it is, as for the colour.
TEST_F(MainWindowTest, TypedCodesAreKeptBetweenStartsLikeTheColour) {
    struct Case {
        const char* config;  // null: no file
        const char* typed;
        const char* saved;
        bool read_only = false;
    };
    const Case cases[] = {
        {nullptr, "701001\r\n702001", "701001,702001"},
        {"[设置]\r\n基金列表=1,2\r\n", "", ""},  // an empty box, an empty key
        {nullptr, "701001\r\n\r\n示例01 \r\n", "701001,,示例01 ,"},
        {"[设置]\r\n基金列表=900001,900002\r\n", "701001", "900001,900002", true},
    };
    const std::string config = directory_.file("配置.ini");
    // The key's line in the file, so that an empty value shows apart from none.
    auto saved = [&config] {
        std::istringstream lines(utf8_from_gbk(read_file(config)));
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("基金列表=")) return line.substr(13, line.size() - 14);
        return std::string("(none)");
    };
    auto close_main = [] {
        object(0)->close();
        return wait_until([] { return object(0) == nullptr; });
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        fs::remove(config);
        if (c.config) write_config(c.config);
        if (c.read_only) fs::permissions(config, fs::perms::owner_read);
        LOAD_MAIN_WINDOW_OR_SKIP();
        set_property(kMain, unit::edit_codes, 8, kWholeValue,
                     TaggedArg::of_text(gbk_from_utf8(c.typed).c_str()));
        ASSERT_TRUE(close_main());
        EXPECT_EQ(saved(), c.saved);
        ASSERT_TRUE(load_main_window());
        const std::string restored = text_property(unit::edit_codes);
        std::string expected = c.saved;
        for (size_t at = 0; (at = expected.find(',', at)) != std::string::npos; at += 2)
            expected.replace(at, 1, "\r\n");
        EXPECT_EQ(restored, expected);
        auto* field = qobject_cast<QPlainTextEdit*>(
            dynamic_cast<EditBox*>(object(unit::edit_codes))->field());
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->textCursor().position(), field->toPlainText().size());
        ASSERT_TRUE(close_main());
        fs::permissions(config, fs::perms::owner_read | fs::perms::owner_write);
    }
}

// The About label opens the About window modally; a press on its usage text
// plays the tune, a double-click stops it, Esc closes only the About window.
TEST_F(MainWindowTest, AboutWindowPlaysAndStopsTheTuneAndEscClosesOnlyIt) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    auto recording = std::make_shared<platform::RecordingOutput>();
    platform::use_midi_output([recording] { return recording; }, 1.0);
    constexpr uint32_t kAbout = resources::window_id::about;
    bool opened = false, played = false, stopped = false, main_disabled = false;
    // Acts once the About window is up and its modal loop runs.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* about = find_object(kAbout, 0);
        if (!about || !about->isVisible() || find_object(kMain, 0)->isEnabled()) return;
        poll.stop();
        QWidget* usage = find_object(kAbout, resources::unit_id::label_usage);
        opened = usage != nullptr;
        if (!opened) return;
        main_disabled = !find_object(kMain, 0)->isEnabled();
        auto send = [usage](QEvent::Type type, Qt::MouseButtons buttons) {
            QPointF at(4, 4);
            QMouseEvent event(type, at, usage->mapToGlobal(at), Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(usage, &event);
        };
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        played = wait_until([] { return music_state() == 1; }, 5000);
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        send(QEvent::MouseButtonDblClick, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        stopped = wait_until([] { return music_state() == 0; }, 5000);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(find_object(kAbout, 0), &esc);
    });
    poll.start();
    click(unit::label_about);  // returns once the About window is closed
    platform::use_default_midi_output();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(main_disabled);
    EXPECT_TRUE(played);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(find_object(kAbout, 0), nullptr);
    ASSERT_NE(find_object(kMain, 0), nullptr);
    EXPECT_TRUE(find_object(kMain, 0)->isEnabled());
}

}  // namespace
}  // namespace qinghe::app
