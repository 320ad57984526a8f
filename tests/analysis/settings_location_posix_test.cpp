// the XDG folders, /usr and /opt prefixes and the mode bits of POSIX systems
// Where the program's own files go: beside a program whose folder the user
// may write, else in the user's configuration folder, with a setting file
// shipped beside a read-only program read until the user has one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "analysis/app_files.h"
#include "analysis/app_texts.h"
#include "analysis/core_calls.h"
#include "analysis/history/history_location.h"
#include "analysis/settings_location.h"
#include "platform/text_encoding.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;
using platform::gbk_from_utf8;
using platform::utf8_from_gbk;
using testing_support::read_whole_file;
using testing_support::TempDirectory;
using testing_support::write_whole_file;

TEST(SettingsLocation, UserFolderFollowsTheXdgRules) {
    struct Row {
        const char *xdg, *home;
        std::optional<std::string> folder;
    };
    const Row rows[] = {
        {nullptr, "/home/u", "/home/u/.config/qinghe"},
        {"", "/home/u", "/home/u/.config/qinghe"},
        {"/cfg", "/home/u", "/cfg/qinghe"},
        {"relative/cfg", "/home/u", "/home/u/.config/qinghe"},  // ignored
        {"./cfg", nullptr, std::nullopt},
        {nullptr, "home", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(user_settings_folder(row.xdg, row.home), row.folder)
            << (row.xdg ? row.xdg : "<unset>") << " " << (row.home ? row.home : "<unset>");
    }
}

// Runs in a program folder of its own, with XDG_CONFIG_HOME set for the
// case; the choice is made again afterwards in a writable folder.
class SettingsPlace : public ::testing::Test {
protected:
    TempDirectory dir;
    std::string program = dir.file("program");
    std::string xdg = dir.file("xdg");
    fs::path previous = fs::current_path();
    std::optional<std::string> previous_xdg;

    void SetUp() override {
        if (const char* value = std::getenv("XDG_CONFIG_HOME")) previous_xdg = value;
        fs::create_directory(program);
    }
    void TearDown() override {
        ::chmod(program.c_str(), 0755);
        fs::current_path(previous);
        if (previous_xdg) {
            ::setenv("XDG_CONFIG_HOME", previous_xdg->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        choose_settings_location();
        ASSERT_TRUE(settings_beside_program());
    }

    void start(mode_t program_mode, const std::string& xdg_config_home) {
        ::chmod(program.c_str(), program_mode);
        ::setenv("XDG_CONFIG_HOME", xdg_config_home.c_str(), 1);
        fs::current_path(program);
        choose_settings_location();
    }

    // As the file layer reads it: a backslash separates folders.
    static std::string path(char* (*where)(const char*), AppText file) {
        OwnedText text(where(app_text(file)));
        std::string utf8 = utf8_from_gbk(text.get());
        std::replace(utf8.begin(), utf8.end(), '\\', '/');
        return utf8;
    }
    static std::string config_to_read() { return path(program_file_path, AppText::config_file); }
    static std::string config_to_write() {
        return path(writable_program_file_path, AppText::config_file);
    }

    static bool save(const char* key, const std::string& utf8_value) {
        OwnedText file(writable_program_file_path(app_text(AppText::config_file)));
        return write_config_item(file.get(), app_text(AppText::config_section), key,
                                 gbk_from_utf8(utf8_value).c_str());
    }
    static std::string saved(const char* key) {
        OwnedText file(program_file_path(app_text(AppText::config_file)));
        OwnedText value(read_config_item(file.get(), app_text(AppText::config_section), key));
        return value ? utf8_from_gbk(value.get()) : "";
    }
};

TEST_F(SettingsPlace, WritableProgramFolderKeepsTheFilesBesideTheProgram) {
    start(0755, xdg);
    EXPECT_TRUE(settings_beside_program());
    EXPECT_EQ(config_to_write(), program + "/配置.ini");
    EXPECT_TRUE(save(app_text(AppText::config_key_colour), "绿"));
    EXPECT_TRUE(fs::exists(program + "/配置.ini"));
    EXPECT_FALSE(fs::exists(xdg));
}

// 下载超时 is a setting, not a command line: a value out of bounds is
// clamped, anything but a whole number gives the default.
TEST_F(SettingsPlace, DownloadTimeoutIsClampedOrDefaulted) {
    start(0755, xdg);
    EXPECT_EQ(download_timeout_setting(), 120) << "no setting file";
    const std::pair<const char*, int> rows[] = {
        {"30", 30}, {"3", 5}, {"900", 600}, {"abc", 120}, {"", 120}};
    for (auto [value, seconds] : rows) {
        ASSERT_TRUE(save(gbk_from_utf8("下载超时").c_str(), value));
        EXPECT_EQ(download_timeout_setting(), seconds) << value;
    }
}

TEST_F(SettingsPlace, ReadOnlyProgramReadsShippedSettingsAndWritesTheUsersFile) {
    write_whole_file(program + "/配置.ini",
                     gbk_from_utf8("[设置]\r\n基金网址=http://127.0.0.1:9/\r\n"));
    ::chmod((program + "/配置.ini").c_str(), 0444);
    start(0555, xdg);
    EXPECT_FALSE(settings_beside_program());
    EXPECT_EQ(config_to_read(), program + "/配置.ini");
    EXPECT_FALSE(fs::exists(xdg)) << "created only when first written";
    OwnedText site(fund_site_base_url());
    EXPECT_STREQ(site.get(), "http://127.0.0.1:9/");

    EXPECT_TRUE(save(app_text(AppText::config_key_colour), "绿"));
    const std::string own = xdg + "/qinghe/配置.ini";
    EXPECT_EQ(config_to_read(), own);
    EXPECT_EQ(saved(app_text(AppText::config_key_site)), "http://127.0.0.1:9/")
        << "the shipped settings are kept in the user's file";
    EXPECT_EQ(saved(app_text(AppText::config_key_colour)), "绿");
    EXPECT_EQ(read_whole_file(program + "/配置.ini"),
              gbk_from_utf8("[设置]\r\n基金网址=http://127.0.0.1:9/\r\n"));

    // The next start reads the user's file, not the shipped one.
    start(0555, xdg);
    EXPECT_EQ(config_to_read(), own);
    EXPECT_EQ(path(writable_program_file_path, AppText::section_dump_file),
              xdg + "/qinghe/333.txt");
}

// An editor's UTF-8 file shipped beside the program: the user's copy and
// the change in it stay UTF-8, the mark kept.
TEST_F(SettingsPlace, UsersCopyOfAUtf8FileStaysUtf8) {
    write_whole_file(program + "/配置.ini", "\xEF\xBB\xBF[设置]\n颜色=1\n");
    start(0555, xdg);
    EXPECT_EQ(saved(app_text(AppText::config_key_colour)), "1");
    EXPECT_TRUE(save(app_text(AppText::config_key_site), "http://例子/"));
    EXPECT_EQ(read_whole_file(xdg + "/qinghe/配置.ini"),
              "\xEF\xBB\xBF[设置]\n颜色=1\n基金网址=http://例子/\n");
}

TEST_F(SettingsPlace, RelativeXdgConfigHomeIsIgnored) {
    const std::string home = dir.file("home");
    const std::string previous_home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.c_str(), 1);
    start(0555, "xdg");
    EXPECT_EQ(config_to_write(), home + "/.config/qinghe/配置.ini");
    EXPECT_TRUE(fs::is_directory(home + "/.config/qinghe"));
    EXPECT_FALSE(fs::exists(program + "/xdg"));
    ::setenv("HOME", previous_home.c_str(), 1);
}

TEST_F(SettingsPlace, FolderThatCannotBeCreatedLosesOnlyTheSetting) {
    write_whole_file(dir.file("file"), "not a folder");
    start(0555, dir.file("file") + "/cfg");
    EXPECT_FALSE(save(app_text(AppText::config_key_colour), "绿"));
    EXPECT_EQ(saved(app_text(AppText::config_key_colour)), "");
    OwnedText site(fund_site_base_url());
    EXPECT_STREQ(site.get(), app_text(AppText::default_site));
    EXPECT_EQ(fs::directory_iterator(program), fs::directory_iterator())
        << "nothing beside the program";
}

// The history lives beside 配置.ini, or in the user's data folder when the
// settings live in the user's configuration folder.
TEST_F(SettingsPlace, HistoryFollowsTheSettings) {
    const std::string home = dir.file("home");
    const std::string previous_home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.c_str(), 1);
    const char* previous_data = std::getenv("XDG_DATA_HOME");
    const std::string kept_data = previous_data ? previous_data : "";
    const struct {
        mode_t program_mode;
        const char* xdg_data_home;  // null: unset
        std::string history;
    } rows[] = {
        {0755, "/data", program + "/history.sqlite3"},
        {0555, "/data", "/data/qinghe/history.sqlite3"},
        {0555, nullptr, home + "/.local/share/qinghe/history.sqlite3"},
        {0555, "relative", home + "/.local/share/qinghe/history.sqlite3"},
    };
    for (const auto& row : rows) {
        if (row.xdg_data_home) ::setenv("XDG_DATA_HOME", row.xdg_data_home, 1);
        else ::unsetenv("XDG_DATA_HOME");
        start(row.program_mode, xdg);
        EXPECT_EQ(history_file_path(), row.history);
    }
    ::setenv("HOME", previous_home.c_str(), 1);
    if (previous_data) ::setenv("XDG_DATA_HOME", kept_data.c_str(), 1);
    else ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace qinghe::app
