// The form window's background music through the registered player.
#include <QApplication>

#include "commands/music_commands.h"
#include "form_fixture.h"
#include "runtime/background_music.h"

namespace qinghe::testing {
namespace {

struct PlayerLog {
    std::vector<std::string> calls;  // "loop", "once", "stop"
};
PlayerLog g_log;

const std::string kMidi = std::string("MThd\0\0\0\6\0\0\0\1\0\x60", 14);

class FormWindowMusicTest : public FormEngineTest {
protected:
    void SetUp() override {
        FormEngineTest::SetUp();
        g_log = {};
        register_background_music_player(
            {[](std::string_view, bool loop) { g_log.calls.push_back(loop ? "loop" : "once"); },
             [] { g_log.calls.push_back("stop"); }});
    }
    void TearDown() override {
        FormEngineTest::TearDown();
        register_music_services();
    }
    FormWindowWidget* load(const std::string& music, int32_t mode) {
        install({window(1, {}, window_blob([&](PropertyStore& p) {
                            p.set_bytes(FormProperty::kMusic, music);
                            p.set_word(FormProperty::kMusicMode, mode);
                        }))});
        EXPECT_EQ(load_window(window_id(1), nullptr, false), 0);
        return static_cast<FormWindowWidget*>(find_object(window_id(1), 0));
    }
    static void change(FormWindowWidget* w, int32_t number, uint32_t word,
                       const std::string& bytes = {}) {
        table_property_changed(w, number, {word, 0, bytes.data(), int32_t(bytes.size())});
    }
    using Calls = std::vector<std::string>;
};

TEST_F(FormWindowMusicTest, StartsByModeAndStopsWhenTheWindowGoes) {
    FormWindowWidget* w = load(kMidi, 0);
    ASSERT_TRUE(w);
    EXPECT_EQ(g_log.calls, Calls({"loop"}));
    w->destroy_window();
    EXPECT_EQ(g_log.calls, Calls({"loop", "stop"}));
}

TEST_F(FormWindowMusicTest, ChangesRestartOrSilenceTheMusic) {
    FormWindowWidget* w = load(kMidi, 2);
    ASSERT_TRUE(w);
    EXPECT_TRUE(g_log.calls.empty());  // mode 2: silent
    change(w, FormProperty::kMusicMode, 1);
    EXPECT_EQ(g_log.calls, Calls({"once"}));
    change(w, FormProperty::kMusic, 0, kMidi);
    EXPECT_EQ(g_log.calls, Calls({"once", "stop", "once"}));
    change(w, FormProperty::kMusicMode, 2);
    EXPECT_EQ(g_log.calls, Calls({"once", "stop", "once", "stop"}));
    // Data that is no Standard MIDI File does not play.
    change(w, FormProperty::kMusic, 0, "RIFF....WAVE");
    change(w, FormProperty::kMusicMode, 0);
    EXPECT_EQ(g_log.calls.size(), 4u);
    w->destroy_window();
    EXPECT_EQ(g_log.calls.size(), 4u);  // nothing of its own to stop
}

TEST_F(FormWindowMusicTest, AWindowDoesNotStopAnotherWindowsMusic) {
    install(
        {window(1, {},
                window_blob([&](PropertyStore& p) { p.set_bytes(FormProperty::kMusic, kMidi); })),
         window(2, {},
                window_blob([&](PropertyStore& p) { p.set_bytes(FormProperty::kMusic, kMidi); }))});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    ASSERT_EQ(load_window(window_id(2), nullptr, false), 0);
    auto* first = static_cast<FormWindowWidget*>(find_object(window_id(1), 0));
    first->destroy_window();
    EXPECT_EQ(g_log.calls, Calls({"loop", "loop"}));
}

}  // namespace
}  // namespace qinghe::testing
