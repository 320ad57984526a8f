#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/sources/charset_conversion.h"
#include "platform/automation/class_registry.h"
#include "platform/text_encoding.h"
#include "runtime/dll_commands.h"
#include "runtime/memory.h"
#include "support/fund_pages.h"

namespace qinghe {
namespace {

using namespace testing_support;

std::string convert(std::string_view input, const char* from = "utf-8", const char* to = "gb2312") {
    ByteSet* in = make_byte_set(input);
    ByteSet* out = convert_charset(in, from, to);
    std::string result(byte_set_view(out));
    mem_free(in);
    mem_free(out);
    return result;
}

std::string gbk(const char* utf8) { return platform::gbk_from_utf8(utf8); }

// The program's declared DLL commands are installed by the suite's
// program environment, as start-up installs them.
class ConvertCharset : public ::testing::Test {};

TEST_F(ConvertCharset, ConvertsUtf8ToGbk) {
    struct Row {
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        {"持仓占比", "\xB3\xD6\xB2\xD6\xD5\xBC\xB1\xC8"},
        {"<td>plain ASCII 123</td>\r\n", "<td>plain ASCII 123</td>\r\n"},
        {"", ""},
        // Outside GBK: the character becomes "?" and the rest survives.
        {"股票\xF0\x9F\x98\x80名称", gbk("股票?名称")},
        // The page passes through a text: a zero byte ends it.
        {std::string("a\0b", 3), "a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(convert(row.input), row.expected);
    }
}

TEST_F(ConvertCharset, MalformedUtf8DoesNotEmptyThePage) {
    std::string page = "<p>持仓占比</p>\xC3(\xFF\xFE<p>持仓截止日期:</p>";
    std::string out = convert(page);
    EXPECT_NE(out.find(gbk("持仓占比")), std::string::npos);
    EXPECT_NE(out.find(gbk("持仓截止日期:")), std::string::npos);
}

void expect_whole_page_with_markers(const std::string& page) {
    ASSERT_GT(page.size(), 100000u);
    std::string out = convert(page);
    EXPECT_EQ(out, platform::gbk_from_utf8(page));
    EXPECT_NE(out.find(gbk("持仓占比")), std::string::npos);
    EXPECT_NE(out.find(gbk("持仓截止日期:")), std::string::npos);
}

TEST_F(ConvertCharset, GeneratedFundPagesKeepTheirMarkers) {
    for (const char* code : {fund_code::demo, fund_code::foreign, fund_code::no_holdings}) {
        SCOPED_TRACE(code);
        expect_whole_page_with_markers(generated_page(code));
    }
}

TEST_F(ConvertCharset, RealFundPagesKeepTheirMarkers) {
    SKIP_WITHOUT_REAL_FUND_PAGES();
    for (const char* code : {"006309", "160127"}) {
        SCOPED_TRACE(code);
        expect_whole_page_with_markers(read_fund_file(real_page_path(code)));
    }
}

TEST_F(ConvertCharset, LargePageConvertsWhole) {
    std::string page;
    while (page.size() < 300 * 1024) page += "<tr><td>贵州茅台</td><td>9.87%</td></tr>\n";
    EXPECT_EQ(convert(page), platform::gbk_from_utf8(page));
}

TEST_F(ConvertCharset, RandomBytesNeverEmptyAPageWithoutZeroBytes) {
    std::mt19937 random(6);
    const char* sources[] = {"utf-8", "gb18030", "big5", "unicode", "us-ascii"};
    for (int round = 0; round < 300; ++round) {
        std::string input(random() % 600 + 1, '\0');
        for (char& c : input) c = char(random() % 255 + 1);
        const char* from = sources[round % 5];
        SCOPED_TRACE(testing::Message() << from << " round " << round);
        std::string out = convert(input, from);
        // A Unicode source may decode to U+0000, which ends the text.
        if (std::string_view(from) != "unicode") {
            EXPECT_FALSE(out.empty());
        }
    }
}

TEST_F(ConvertCharset, UnknownCharsetGivesTheEmptyByteSet) {
    EXPECT_EQ(convert("abc", "no-such-charset"), "");
}

TEST_F(ConvertCharset, LeavesTheThreadAsItFoundIt) {
    EXPECT_FALSE(platform::thread_initialized());
    convert("abc");
    EXPECT_FALSE(platform::thread_initialized());
}

}  // namespace
}  // namespace qinghe
