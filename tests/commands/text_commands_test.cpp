#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "commands/core_commands.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

// GBK bytes: 中 D6 D0, 文 CE C4; 0x81 0x41 is a two-byte character whose
// second byte is the letter A.
constexpr const char* kChinese = "\xD6\xD0\xCE\xC4";

TaggedArg optional_int(std::optional<int32_t> v) { return v ? TaggedArg::of_int(*v) : TaggedArg{}; }

// Runs a command through the table and returns its text result as a string;
// "<null>" stands for the null (empty) text, which must never be an
// allocated empty string.
std::string text_result(CoreCommand command, std::vector<TaggedArg> args) {
    TaggedArg r = call_core_command(core_command(command), int32_t(args.size()), args.data());
    if (!r.text()) return "<null>";
    std::string s = r.text();
    mem_free(r.pointer());
    return s.empty() ? "<allocated empty>" : s;
}

TEST(TextLength, CountsBytes) {
    std::string mixed = std::string(kChinese) + "ab";
    TaggedArg args[] = {TaggedArg::of_text(mixed.c_str())};
    EXPECT_EQ(call_core_command(core_command(CoreCommand::text_length), 1, args).as_int(), 6);
    args[0] = TaggedArg::of_text("");
    EXPECT_EQ(call_core_command(core_command(CoreCommand::text_length), 1, args).as_int(), 0);
}

struct CutRow {
    const char* text;
    int32_t start;  // ignored by right_text
    int32_t count;
    const char* expected;
};

TEST(RightText, Table) {
    const CutRow rows[] = {
        {"abc", 0, 5, "abc"},     {"abc", 0, 2, "bc"},  {"abc", 0, 0, "<null>"},
        {"abc", 0, -1, "<null>"}, {"", 0, 3, "<null>"}, {"\xD6\xD0\xCE\xC4", 0, 3, "\xD0\xCE\xC4"},
    };
    for (const CutRow& row : rows) {
        EXPECT_EQ(text_result(CoreCommand::right_text,
                              {TaggedArg::of_text(row.text), TaggedArg::of_int(row.count)}),
                  row.expected)
            << row.text << " " << row.count;
    }
}

TEST(MiddleText, Table) {
    const CutRow rows[] = {
        {"abcdef", 3, 2, "cd"},
        {"abcdef", 0, 2, "<null>"},
        {"abcdef", 7, 1, "<null>"},
        {"abcdef", 3, 0, "<null>"},
        {"abcdef", 5, 10, "ef"},
        {"abcdef", 6, 1, "f"},
        {"abcdef", -3, 2, "<null>"},
        {"abcdef", 2, 2147483647, "bcdef"},
        {"\xD6\xD0\xCE\xC4", 2, 2, "\xD0\xCE"},  // cuts through characters by design
    };
    for (const CutRow& row : rows) {
        EXPECT_EQ(text_result(CoreCommand::middle_text,
                              {TaggedArg::of_text(row.text), TaggedArg::of_int(row.start),
                               TaggedArg::of_int(row.count)}),
                  row.expected)
            << row.text << " " << row.start << " " << row.count;
    }
}

struct SearchRow {
    const char* text;
    const char* sought;
    std::optional<int32_t> start;
    bool ignore_case;
    int32_t forwards;
    int32_t backwards;
};

TEST(FindText, Table) {
    const SearchRow rows[] = {
        {"abcabc", "bc", {}, false, 2, 5},
        {"abcabc", "bc", 3, false, 5, -1},
        {"abcabc", "bc", 7, false, -1, 5},
        {"abcabc", "abc", {}, false, 1, 4},
        {"abcabc", "abc", 6, false, -1, 1},  // backwards: the match at 4 would end past byte 5
        {"abcabc", "abc", 1, false, 1, -1},
        {"abcabc", "abc", -4, false, 1, -1},
        {"abcabc", "abc", 100, false, -1, 4},
        {"aBc", "bc", {}, true, 2, 2},
        {"aBc", "bc", {}, false, -1, -1},
        {"ABC", "abc", {}, true, 1, 1},
        {"abcabc", "abcd", {}, false, -1, -1},
        {"abc", "", {}, false, 1, 1},
        {"abc", "", 3, false, 1, 1},
        {"abc", "", 4, false, -1, 1},
        {"", "", {}, false, -1, -1},
        {"", "a", {}, false, -1, -1},
        // Never matches at the second byte of a two-byte character.
        {"\x81\x41", "A", {}, false, -1, -1},
        {"\x81\x41"
         "A\x81\x41",
         "A",
         {},
         false,
         3,
         3},
        {"\x81\x41"
         "a",
         "A",
         {},
         true,
         3,
         3},
        {"x\xD6\xD0\xCE\xC4y", "\xCE\xC4", {}, false, 4, 4},
        {"x\xD6\xD0\xCE\xC4y", "\xD0\xCE", {}, false, -1, -1},
        // The commands' lead-byte rule: every byte from 0x80 up takes the next byte with it.
        {"\x80"
         "A",
         "A",
         {},
         false,
         -1,
         -1},  // 0x80 opens a pair
        {"\x7F"
         "A",
         "A",
         {},
         false,
         2,
         2},  // 0x7F stands alone
        // A first byte right before the terminator ends the scan after its comparison.
        {"ab\x81", "\x81", {}, false, 3, 3},
        {"ab\x81", "b", {}, false, 2, 2},
    };
    for (const SearchRow& row : rows) {
        for (bool backwards : {false, true}) {
            std::vector<TaggedArg> args = {TaggedArg::of_text(row.text),
                                           TaggedArg::of_text(row.sought), optional_int(row.start),
                                           TaggedArg::of_bool(row.ignore_case)};
            CoreCommand command =
                backwards ? CoreCommand::find_text_reverse : CoreCommand::find_text;
            TaggedArg r = call_core_command(core_command(command), 4, args.data());
            EXPECT_EQ(r.as_int(), backwards ? row.backwards : row.forwards)
                << (backwards ? "backwards " : "forwards ") << row.text << " / " << row.sought
                << " start " << row.start.value_or(0);
        }
    }
}

TEST(FindText, IgnoreCaseOnlyForLowWordOne) {
    TaggedArg args[] = {TaggedArg::of_text("aBc"), TaggedArg::of_text("bc"), TaggedArg{},
                        TaggedArg{2, 0, TypeTag::kBool}};
    EXPECT_EQ(call_core_command(core_command(CoreCommand::find_text), 4, args).as_int(), -1);
    // Fewer arguments than the command knows read as omitted.
    EXPECT_EQ(call_core_command(core_command(CoreCommand::find_text), 2, args).as_int(), -1);
    args[1] = TaggedArg::of_text("Bc");
    EXPECT_EQ(call_core_command(core_command(CoreCommand::find_text), 2, args).as_int(), 2);
}

// The search as the commands define it: a cursor stepping one character at
// a time from the region's start, compared at every step.
int32_t stepping_search(std::string_view text, std::string_view sought,
                        std::optional<int32_t> start, bool ignore_case, bool backwards) {
    const int64_t len = int64_t(text.size());
    const int64_t m = int64_t(sought.size());
    const int64_t b = start ? std::max<int64_t>(*start - 1, 0) : (backwards ? len : 0);
    const int64_t from = backwards || b >= len ? 0 : b;
    const int64_t to = backwards ? std::min(b, len) : (b >= len ? 0 : len);
    if (m == 0) return to > from ? 1 : -1;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    int32_t found = -1;
    for (int64_t i = from; i + m <= to;) {
        bool match = true;
        for (int64_t k = 0; k < m && match; ++k)
            match = ignore_case ? fold(text[size_t(i + k)]) == fold(sought[size_t(k)])
                                : text[size_t(i + k)] == sought[size_t(k)];
        if (match) {
            found = int32_t(i + 1);
            if (!backwards) break;
        }
        i += (static_cast<unsigned char>(text[size_t(i)]) >= 0x80 && i + 1 < len) ? 2 : 1;
    }
    return found;
}

TEST(FindText, AgreesWithSteppingSearchOnRandomTexts) {
    // Few distinct bytes, so that matches are frequent and fall inside
    // two-byte characters, at run edges and next to the start position.
    const char alphabet[] = {'a', 'A', 'b', 'B', '<', '\x80', '\x81', '\xB3', '\xD6'};
    std::mt19937 random(7);
    auto pick = [&](size_t n) { return size_t(random() % n); };
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (size_t n = pick(40); n > 0; --n) text += alphabet[pick(sizeof alphabet)];
        std::string sought;
        for (size_t n = 1 + pick(3); n > 0; --n) sought += alphabet[pick(sizeof alphabet)];
        if (!text.empty() && pick(2)) sought = text.substr(pick(text.size()), 1 + pick(3));
        std::optional<int32_t> start;
        if (pick(3)) start = int32_t(pick(text.size() + 4)) - 1;
        for (bool ignore_case : {false, true}) {
            for (bool backwards : {false, true}) {
                std::vector<TaggedArg> args = {
                    TaggedArg::of_text(text.c_str()), TaggedArg::of_text(sought.c_str()),
                    optional_int(start), TaggedArg::of_bool(ignore_case)};
                const CoreCommand command =
                    backwards ? CoreCommand::find_text_reverse : CoreCommand::find_text;
                const int32_t got =
                    call_core_command(core_command(command), 4, args.data()).as_int();
                ASSERT_EQ(got, stepping_search(text, sought, start, ignore_case, backwards))
                    << testing::PrintToString(text) << " / " << testing::PrintToString(sought)
                    << " start " << start.value_or(0) << (backwards ? " backwards" : "")
                    << (ignore_case ? " ignoring case" : "");
            }
        }
    }
}

struct SplitRow {
    const char* text;
    const char* separator;  // null: omitted
    std::optional<int32_t> maximum;
    std::vector<std::string> expected;  // "<null>" for an empty element
};

std::vector<std::string> split(const SplitRow& row) {
    TaggedArg args[] = {TaggedArg::of_text(row.text),
                        row.separator ? TaggedArg::of_text(row.separator) : TaggedArg{},
                        optional_int(row.maximum)};
    TaggedArg r = call_core_command(core_command(CoreCommand::split_text), 3, args);
    ArrayBlock* array = r.array();
    EXPECT_NE(array, nullptr);
    if (!array) return {};
    EXPECT_EQ(array->dimensions, 1);
    std::vector<std::string> pieces;
    for (int64_t i = 0; i < array->sizes()[0]; ++i) {
        auto piece = static_cast<char*>(array->pointer_at(i));
        pieces.push_back(!piece ? "<null>" : *piece ? piece : "<allocated empty>");
        mem_free(piece);
    }
    mem_free(array);
    return pieces;
}

TEST(SplitText, Table) {
    const std::string gbk_pair = "\x81\x41";
    const SplitRow rows[] = {
        {"a,b,,c,", nullptr, {}, {"a", "b", "<null>", "c"}},
        {",a", nullptr, {}, {"<null>", "a"}},
        {"a,b,c", ",", 2, {"a", "b"}},
        {"a,b,c", ",", 3, {"a", "b", "c"}},
        {"a,b,c,d,e", ",", 2, {"a", "b"}},  // more separators than the cap: the rest is dropped
        {"a,b,c,d,e", ",", 1, {"a"}},       // the same with a cap of one
        {"a,b,c", ",", 0, {}},
        {"a,b,c", ",", -5, {}},
        {"a,b,c", "", {}, {"a,b,c"}},
        {"", ",", {}, {}},
        {"ab", "abc", {}, {"ab"}},
        {"l1\r\nl2\r\n", "\r\n", {}, {"l1", "l2"}},
        {"l1\r\n\r\nl3", "\r\n", {}, {"l1", "<null>", "l3"}},
        {",", nullptr, {}, {"<null>"}},
        // Separator bytes inside a two-byte character do not split it.
        {"\x81\x41"
         "A\x81\x41",
         "A",
         {},
         {gbk_pair, gbk_pair}},
        {"x\x81", "\x81", {}, {"x"}},
        {"a\x80,b", nullptr, {}, {"a\x80,b"}},  // 0x80 opens a pair: the comma is its second byte
    };
    for (const SplitRow& row : rows) {
        EXPECT_EQ(split(row), row.expected)
            << row.text << " / " << (row.separator ? row.separator : "(omitted)");
    }
}

}  // namespace
}  // namespace qinghe
