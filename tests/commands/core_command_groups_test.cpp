// The window and music groups of the core command table: empty slots until
// the program installs them, and a call of an empty slot is the runtime
// error for a command not implemented, not a jump through null.
#include <gtest/gtest.h>

#include "commands/core_commands.h"
#include "commands/core_library.h"
#include "commands/music_commands.h"
#include "commands/window_commands.h"
#include "support/report_capture.h"

namespace qinghe {
namespace {

using testing::ReportCapture;

TEST(CoreCommandGroups, SlotsStayEmptyUntilTheirGroupIsInstalled) {
    struct Row {
        CoreCommand command;
        CommandEntry installed;
    };
    const Row rows[] = {
        {CoreCommand::load_window, &load_window_command},
        {CoreCommand::play_midi, &play_midi},
        {CoreCommand::stop_playback, &stop_playback},
    };
    for (const Row& row : rows) {
        const int32_t number = int32_t(row.command);
        EXPECT_EQ(core_command(row.command), nullptr) << number;
        EXPECT_EQ(core_library_record().commands[number], nullptr) << number;
        ReportCapture capture;
        const int32_t code = testing::exit_code_of(
            [&] { call_core_command(core_command(row.command), 0, nullptr); });
        EXPECT_EQ(code, -1) << number;
        EXPECT_NE(capture.utf8().find("所调用的核心库命令尚未实现"), std::string::npos)
            << capture.utf8();
    }
    EXPECT_NE(core_command(CoreCommand::text_length), nullptr);

    install_window_commands();
    install_music_commands();
    for (const Row& row : rows) {
        EXPECT_EQ(core_command(row.command), row.installed) << int32_t(row.command);
        EXPECT_EQ(core_library_record().commands[int32_t(row.command)], row.installed);
    }
}

}  // namespace
}  // namespace qinghe
