#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "commands/core_commands.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"
#include "support/temp_directory.h"

namespace qinghe {
namespace {

using testing_support::read_whole_file;
using testing_support::TempDirectory;
using testing_support::write_whole_file;

std::string gbk(std::string_view utf8) { return platform::gbk_from_utf8(utf8); }

// Optional GBK text arguments; the strings must outlive the call.
TaggedArg optional_text(const std::optional<std::string>& text) {
    return text ? TaggedArg::of_text(text->empty() ? nullptr : text->c_str()) : TaggedArg{};
}

class ConfigFileCommands : public ::testing::Test {
protected:
    TempDirectory dir;
    // The configuration file's name as the program passes it: GBK.
    std::string ini = gbk(dir.file("配置.ini"));

    std::string read_item(const std::string& file, const std::string& section,
                          const std::string& key, std::optional<std::string> fallback = {}) {
        TaggedArg args[] = {TaggedArg::of_text(file.c_str()), TaggedArg::of_text(section.c_str()),
                            TaggedArg::of_text(key.c_str()), optional_text(fallback)};
        TaggedArg r =
            call_core_command(core_command(CoreCommand::read_config_item), fallback ? 4 : 3, args);
        if (!r.text()) return "<null>";
        std::string s = r.text();
        mem_free(r.pointer());
        return s;
    }

    bool write_item(const std::string& section, std::optional<std::string> key,
                    std::optional<std::string> value) {
        TaggedArg args[] = {TaggedArg::of_text(ini.c_str()), TaggedArg::of_text(section.c_str()),
                            optional_text(key), optional_text(value)};
        return call_core_command(core_command(CoreCommand::write_config_item), 4, args).as_bool();
    }

    bool write_file(const std::string& name, const std::vector<std::string>& parts) {
        std::vector<ByteSet*> sets;
        std::vector<TaggedArg> args{TaggedArg::of_text(name.empty() ? nullptr : name.c_str())};
        for (const std::string& part : parts) {
            sets.push_back(make_byte_set(part));
            args.push_back(TaggedArg::of_byte_set(sets.back()));
        }
        bool ok = call_core_command(core_command(CoreCommand::write_file), int32_t(args.size()),
                                    args.data())
                      .as_bool();
        for (ByteSet* set : sets) mem_free(set);
        return ok;
    }
};

TEST_F(ConfigFileCommands, ChineseFileNameReachesTheDiskAsUtf8) {
    ASSERT_TRUE(write_item(gbk("设置"), gbk("颜色"), "1"));
    ASSERT_TRUE(std::filesystem::exists(dir.file("配置.ini")));
    EXPECT_EQ(read_whole_file(dir.file("配置.ini")), gbk("[设置]\r\n颜色=1\r\n"));
    EXPECT_EQ(read_item(ini, gbk("设置"), gbk("颜色"), "0"), "1");
}

TEST_F(ConfigFileCommands, BackslashSeparatesDirectories) {
    ASSERT_TRUE(write_file(gbk(dir.file("") + "\\333.txt"), {"abc"}));
    EXPECT_EQ(read_whole_file(dir.file("333.txt")), "abc");
    // 乗 is 81 5C in GBK: its second byte is no separator.
    ASSERT_EQ(gbk("乗"), "\x81\x5C");
    ASSERT_TRUE(write_file(gbk(dir.file("乗.txt")), {"x"}));
    EXPECT_EQ(read_whole_file(dir.file("乗.txt")), "x");
}

TEST_F(ConfigFileCommands, ReadTable) {
    write_whole_file(dir.file("配置.ini"),
                     gbk("[设置]\n颜色 = 1 \n空=\n长=") + std::string(20000, 'x') + "\n");
    struct Row {
        const char* section;  // UTF-8
        const char* key;
        std::optional<std::string> fallback;
        std::string expected;
    };
    const Row rows[] = {
        {"设置", "颜色", "0", "1"},
        {"  设置", "\t颜色", {}, "1"},   // leading blanks and controls are skipped
        {"   ", "颜色", "0", "<null>"},  // empty section: empty text, not the default
        {"设置", "", "0", "<null>"},
        {"设置", "缺少", gbk("默认"), gbk("默认")},
        {"设置", "缺少", {}, "<null>"},
        {"其他", "颜色", "0", "0"},
        {"设置", "空", "0", "<null>"},  // present but empty: not the default
        {"设置", "长", {}, std::string(10239, 'x')},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(read_item(ini, gbk(row.section), gbk(row.key), row.fallback), row.expected)
            << row.section << "/" << row.key;
    }
    EXPECT_EQ(read_item("", gbk("设置"), gbk("颜色"), "0"), "<null>");
    EXPECT_EQ(read_item(gbk(dir.file("无.ini")), gbk("设置"), gbk("颜色"), "0"), "0");
}

TEST_F(ConfigFileCommands, OmittedValueDeletesKeyAndOmittedKeyTheSection) {
    ASSERT_TRUE(write_item("s", "a", "1"));
    ASSERT_TRUE(write_item("s", "b", "2"));
    ASSERT_TRUE(write_item("t", "c", "3"));
    ASSERT_TRUE(write_item("s", "a", {}));
    EXPECT_EQ(read_item(ini, "s", "a", "gone"), "gone");
    EXPECT_EQ(read_item(ini, "s", "b", "gone"), "2");
    ASSERT_TRUE(write_item("s", {}, {}));
    EXPECT_EQ(read_item(ini, "s", "b", "gone"), "gone");
    EXPECT_EQ(read_item(ini, "t", "c", "gone"), "3");

    // A given empty value is written as empty; a given empty key is refused.
    ASSERT_TRUE(write_item("t", "c", ""));
    EXPECT_EQ(read_item(ini, "t", "c", "gone"), "<null>");
    std::string before = read_whole_file(dir.file("配置.ini"));
    EXPECT_FALSE(write_item("t", "", "x"));
    EXPECT_EQ(read_whole_file(dir.file("配置.ini")), before);
}

TEST_F(ConfigFileCommands, WriteFile) {
    std::string name = gbk(dir.file("输出.txt"));
    write_whole_file(dir.file("输出.txt"), "a much longer old content");
    EXPECT_TRUE(write_file(name, {"abc", "", "de"}));
    EXPECT_EQ(read_whole_file(dir.file("输出.txt")), "abcde");
    EXPECT_TRUE(write_file(name, {"abc", ""}));
    EXPECT_EQ(read_whole_file(dir.file("输出.txt")), "abc");
    EXPECT_TRUE(write_file(name, {}));
    EXPECT_EQ(std::filesystem::file_size(dir.file("输出.txt")), 0u);

    EXPECT_FALSE(write_file("", {"abc"}));
    EXPECT_FALSE(write_file(dir.file("missing/x.txt"), {"abc"}));
    EXPECT_FALSE(write_file(dir.path(), {"abc"}));
}

TEST_F(ConfigFileCommands, WriteFileFailsWhileAnotherWriterHoldsTheFile) {
    std::string path = dir.file("333.txt");
    write_whole_file(path, "kept");
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_FALSE(write_file(path, {"new"}));
    EXPECT_EQ(read_whole_file(path), "kept");
    ::close(fd);
    EXPECT_TRUE(write_file(path, {"new"}));
}

TEST_F(ConfigFileCommands, CurrentDirectoryIsGbk) {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::create_directory(dir.file("目录"));
    std::filesystem::current_path(dir.file("目录"));
    TaggedArg r = call_core_command(core_command(CoreCommand::current_directory), 0, nullptr);
    std::filesystem::current_path(previous);
    ASSERT_NE(r.text(), nullptr);
    EXPECT_EQ(std::string(r.text()), gbk(dir.file("目录")));
    mem_free(r.pointer());
}

}  // namespace
}  // namespace qinghe
