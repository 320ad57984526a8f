#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "support/temp_directory.h"
#include "profile_fixture.h"

namespace qinghe::platform {
namespace {

using testing_support::read_whole_file;
using testing_support::TempDirectory;
using testing_support::write_whole_file;
using namespace std::string_literals;

const std::string kLongLine(12000, 'y');

TEST_F(Profile, ReadTable) {
    struct Row {
        std::string file;
        const char* section;
        const char* key;
        std::optional<std::string> expected;
        size_t buffer = kBuffer;
    };
    const Row rows[] = {
        {"[A]\r\nk=v\r\n", "a", "K", "v"},
        {"[A]\nk=v", "A", "k", "v"},                         // no final newline
        {"  [ A ]  \n\t k \t=  v w \t\n", "A", "k", "v w"},  // blanks trimmed
        {"\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "v"},           // UTF-8 byte-order mark
        {"[A]\nk=1\n[A]\nk=2\nj=3\n", "A", "k", "1"},        // first section wins
        {"[A]\nk=1\n[A]\nj=3\n", "A", "j", std::nullopt},    // ...and only it is searched
        {"[A]\nk=1\nK=2\n", "A", "k", "1"},                  // first key wins
        {"[B]\nk=1\n", "A", "k", std::nullopt},
        {"k=1\n[A]\n", "A", "k", std::nullopt},   // key outside any section
        {"[A]\n;k=1\n", "A", "k", std::nullopt},  // comment
        {"[A]\nk\n", "A", "k", std::nullopt},     // no '='
        {"[A]\nk=\n", "A", "k", ""},
        {"[A]\nk=\"q\" \n", "A", "k", "\"q\""},  // quotes are kept
        {"[A]\nk=a=b\n", "A", "k", "a=b"},
        {"[A\nk=1\n", "A", "k", "1"},  // header without ']'
        {"[A]\r\n" + kLongLine + "\r\nk=1\r\n", "A", "k", "1"},
        {"[A]\nk=" + kLongLine + "\n", "A", "k", std::string(10239, 'y')},
        {"[A]\nk=\xD6\xD0\xCE\xC4\n", "A", "k", "\xD6\xD0", 4},  // no half character
        {"[\xB0\x41]\nk=1\n", "\xB0\x61", "k", std::nullopt},    // trail bytes exact
        {"[\xB0\x41]\nk=1\n", "\xB0\x41", "k", "1"},
        {"[\xB0\x5D]\nk=1\n", "\xB0\x5D", "k", "1"},  // ']' as a trail byte
        {"[\x80"
         "A]\nk=1\n",
         "\x80"
         "a",
         "k", "1"},  // 0x80 stands alone: A folds
        {"[\x81"
         "A]\nk=1\n",
         "\x81"
         "a",
         "k", std::nullopt},  // 0x81 leads: A is exact
        {"\0\xFF\xFE junk\n[A]\n\x01\x02=\x03\nk=v\0w\n"s, "A", "k", "v\0w"s},
        {"[A]\rk=1\r", "A", "k", std::nullopt},  // lone CR is not a line end
    };
    for (const Row& row : rows) {
        write_whole_file(path, row.file);
        EXPECT_EQ(read(row.section, row.key, row.buffer), row.expected) << row.file;
    }
    std::filesystem::remove(path);
    EXPECT_EQ(read("A", "k"), std::nullopt);
    EXPECT_EQ(read_profile_string(dir.path(), "A", "k", kBuffer), std::nullopt);
}

struct WriteRow {
    std::optional<std::string> before;  // nullopt: no file
    const char* section;
    std::optional<std::string> key, value;
    bool ok;
    std::optional<std::string> after;  // nullopt: still no file
};

TEST_F(Profile, WriteTable) {
    const WriteRow rows[] = {
        // Created on first write, CRLF by default.
        {std::nullopt, "A", "k", "v", true, "[A]\r\nk=v\r\n"},
        // The file's own line ending is kept.
        {"[A]\nk=1\n", "A", "k", "2", true, "[A]\nk=2\n"},
        {"[A]\r\nk=1\r\n; c\r\n", "a", "K", "2", true, "[A]\r\nk=2\r\n; c\r\n"},
        {"[A]\nk = 1   \n", "A", "k", "2", true, "[A]\nk = 2\n"},
        {"[A]\nk=1\nk=2\n", "A", "k", "3", true, "[A]\nk=3\nk=2\n"},
        // A new key goes after the section's last non-blank line.
        {"[A]\nx=1\n\n[B]\ny=2\n", "A", "k", "v", true, "[A]\nx=1\nk=v\n\n[B]\ny=2\n"},
        {"[A]\nx=1", "A", "k", "v", true, "[A]\nx=1\nk=v\n"},
        {"; c", "B", "k", "v", true, "; c\r\n[B]\r\nk=v\r\n"},
        {"[A]\nx=1\n", "B", " k ", "v", true, "[A]\nx=1\n[B]\nk=v\n"},
        {"\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "2", true, "\xEF\xBB\xBF[A]\nk=2\n"},
        {"[A]\n" + kLongLine + "\nk=1\n", "A", "k", "2", true, "[A]\n" + kLongLine + "\nk=2\n"},
        {"\0\xFF\x01junk\r\n[A]\r\nk=1\r\n"s, "A", "k", "2", true,
         "\0\xFF\x01junk\r\n[A]\r\nk=2\r\n"s},
        // Deleting keys and sections: every line of the key in the first
        // section, every section of the name.
        {"[A]\nk=1\nj=2\nK=3\n[B]\nk=4\n", "A", "k", std::nullopt, true, "[A]\nj=2\n[B]\nk=4\n"},
        {"[A]\nk=1\n[B]\nx=1\n[a]\nk=2\n", "A", std::nullopt, std::nullopt, true, "[B]\nx=1\n"},
        {"[A]\nk=1\n", "B", std::nullopt, std::nullopt, true, "[A]\nk=1\n"},
        {std::nullopt, "A", "k", std::nullopt, true, std::nullopt},
        // Names and values that would break the line structure.
        {"[A]\nk=1\n", "A", "a=b", "v", false, "[A]\nk=1\n"},
        {"[A]\nk=1\n", "A", "[k", "v", false, "[A]\nk=1\n"},
        {"[A]\nk=1\n", "A", "k", "x\ny", false, "[A]\nk=1\n"},
        {"[A]\nk=1\n", "A]", "k", "v", false, "[A]\nk=1\n"},
        {"[A]\nk=1\n", "  ", "k", "v", false, "[A]\nk=1\n"},
        {"[A]\nk=1\n", "A", " ", "v", false, "[A]\nk=1\n"},
    };
    for (const WriteRow& row : rows) {
        std::filesystem::remove(path);
        if (row.before) write_whole_file(path, *row.before);
        std::optional<std::string_view> key, value;
        if (row.key) key = *row.key;
        if (row.value) value = *row.value;
        EXPECT_EQ(write_profile_string(path, row.section, key, value), row.ok)
            << row.before.value_or("<none>");
        std::optional<std::string> after;
        if (std::filesystem::exists(path)) after = read_whole_file(path);
        EXPECT_EQ(after, row.after) << row.before.value_or("<none>");
    }
}

TEST_F(Profile, ConcurrentWritesLoseNoItem) {
    constexpr int kThreads = 4, kKeys = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            for (int k = 0; k < kKeys; ++k) {
                std::string key = "k" + std::to_string(t) + "_" + std::to_string(k);
                write_profile_string(path, "S" + std::to_string(k % 3), key, key);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "k" + std::to_string(t) + "_" + std::to_string(k);
            EXPECT_EQ(read("S" + std::to_string(k % 3), key), key);
        }
    }
}

// The same setting in files of each charset: read alike, and written back
// in the file's own charset with every other byte unchanged.
TEST_F(Profile, SettingFilesKeepTheirCharset) {
    struct Row {
        const char* what;
        std::string before;         // bytes on disk
        const char *section, *key;  // UTF-8 here, GBK to the calls
        std::optional<std::string> read;
        const char* written;
        std::string after;
    };
    const std::string mark = "\xEF\xBB\xBF";
    const Row rows[] = {
        {"GBK", gbk_from_utf8("; 注释\r\n[设置]\r\n颜色=1\r\n"), "设置", "颜色", "1", "绿",
         gbk_from_utf8("; 注释\r\n[设置]\r\n颜色=绿\r\n")},
        {"UTF-8", "; 注释 😀\n[设置]\n颜色=1\n", "设置", "颜色", "1", "绿",
         "; 注释 😀\n[设置]\n颜色=绿\n"},
        {"UTF-8 with mark", mark + "[设置]\r\n颜色=1\r\n", "设置", "颜色", "1", "绿",
         mark + "[设置]\r\n颜色=绿\r\n"},
        {"ASCII", "[Set]\nk=1\n", "SET", "K", "1", "绿", "[Set]\nk=" + gbk_from_utf8("绿") + "\n"},
        {"ASCII with mark", mark + "[Set]\nk=1\n", "set", "k", "1", "绿", mark + "[Set]\nk=绿\n"},
        {"UTF-8 value", "[Set]\nk=绿\n", "Set", "k", "绿", "1", "[Set]\nk=1\n"},
        {"UTF-8, new key", "[设置]\n颜色=1\n", "设置", "网址", std::nullopt, "页",
         "[设置]\n颜色=1\n网址=页\n"},
        {"UTF-8, new section", "; 注释\n", "设置", "颜色", std::nullopt, "1",
         "; 注释\n[设置]\n颜色=1\n"},
        {"overlong UTF-8 is GBK", "[Set]\nk=\xC0\xAF\n", "Set", "k", utf8_from_gbk("\xC0\xAF"),
         "绿", "[Set]\nk=" + gbk_from_utf8("绿") + "\n"},
    };
    for (const Row& row : rows) {
        write_whole_file(path, row.before);
        std::string section = gbk_from_utf8(row.section), key = gbk_from_utf8(row.key);
        std::optional<std::string> expected;
        if (row.read) expected = gbk_from_utf8(*row.read);
        EXPECT_EQ(read(section, key), expected) << row.what;
        EXPECT_TRUE(write_profile_string(path, section, key, gbk_from_utf8(row.written)))
            << row.what;
        EXPECT_EQ(read_whole_file(path), row.after) << row.what;
        EXPECT_EQ(read(section, key), gbk_from_utf8(row.written)) << row.what;
    }
}

// Lines of a file without their line ends ("\n" or "\r\n") and without
// a leading byte-order mark.
std::vector<std::string> lines_of(std::string bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        std::string line = bytes.substr(start, end - start);
        if (line.ends_with('\r')) line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Random files built from INI-like pieces and junk bytes: reading never
// crashes, and adding a new key changes nothing but the added lines.
TEST_F(Profile, RandomFilesKeepUntouchedLines) {
    const std::vector<std::string> pieces = {"[",
                                             "]",
                                             "=",
                                             "\r\n",
                                             "\n",
                                             "\r",
                                             ";",
                                             " ",
                                             "\t",
                                             "A",
                                             "a",
                                             "k",
                                             "K",
                                             "v",
                                             "\xD6\xD0",
                                             "\xB0",
                                             "\xEF\xBB\xBF",
                                             std::string(1, '\0'),
                                             "\xFF",
                                             "[A]\n",
                                             "k=1\n"};
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        std::string file;
        size_t count = random() % 60;
        for (size_t i = 0; i < count; ++i) file += pieces[random() % pieces.size()];
        write_whole_file(path, file);
        (void)read("A", "k");
        ASSERT_TRUE(write_profile_string(path, "A", "zzfresh", "1")) << file;
        ASSERT_EQ(read("a", "ZZFRESH"), "1") << file;

        std::vector<std::string> after = lines_of(read_whole_file(path));
        std::vector<std::string> before = lines_of(file);
        auto added = std::find(after.begin(), after.end(), "zzfresh=1");
        ASSERT_NE(added, after.end());
        after.erase(added);
        if (after.size() == before.size() + 1 && after.back() == "[A]") after.pop_back();
        EXPECT_EQ(after, before) << file;
    }
}

}  // namespace
}  // namespace qinghe::platform
