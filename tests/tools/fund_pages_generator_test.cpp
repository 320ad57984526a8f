// The generated fund pages keep the promises tests, benchmarks and the demo
// rely on: enough distinct codes, pages of a real page's size and mix, the
// title and report date where a reader looks for them, and the special
// funds as listed.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/fund_pages.h"

namespace qinghe {
namespace {

using namespace testing_support;

// The text after the first `marker`, up to the next '<'.
std::string text_after(const std::string& page, const std::string& marker) {
    size_t from = page.find(marker);
    if (from == std::string::npos) return "<none>";
    from += marker.size();
    return page.substr(from, page.find('<', from) - from);
}

double multi_byte_share(const std::string& page) {
    size_t multi = 0;
    for (unsigned char c : page) multi += c >= 0x80;
    return double(multi) / double(page.size());
}

std::map<std::string, std::vector<GeneratedRow>> rows_by_code() {
    std::map<std::string, std::vector<GeneratedRow>> rows;
    for (const GeneratedRow& r : generated_rows()) rows[r.code].push_back(r);
    return rows;
}

TEST(GeneratedFundPages, CodesAreManyDistinctSixDigitsAndNoneTakenElsewhere) {
    const std::vector<std::string> codes = generated_codes();
    EXPECT_GE(codes.size(), 60u);
    EXPECT_EQ(std::set<std::string>(codes.begin(), codes.end()).size(), codes.size());
    for (const std::string& code : codes) {
        EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
        EXPECT_EQ(code.size(), 6u) << code;
        for (const char* taken : {"160127", "006309", "900001", "900002", "900003"})
            EXPECT_NE(code, taken);
    }
}

TEST(GeneratedFundPages, EveryPageHasTheSizeMixTitleAndMarkersOfARealOne) {
    auto rows = rows_by_code();
    for (const std::string& code : generated_codes()) {
        SCOPED_TRACE(code);
        const std::string page = generated_page(code);
        EXPECT_GE(page.size(), 430000u);
        EXPECT_LE(page.size(), 500000u);
        EXPECT_NEAR(multi_byte_share(page), 0.05, 0.02);
        // The fund's name and "(CODE)" in the title, the heading shaped alike.
        const std::string title = text_after(page, "<title>");
        EXPECT_NE(title.find("(" + code + ")"), std::string::npos) << title;
        EXPECT_NE(page.find("<span class=\"ui-num\">" + code + "</span>"), std::string::npos);
        // The first markers bound the stock table; the bond table repeats both.
        const size_t start = page.find("持仓占比"), end = page.find("持仓截止日期:");
        EXPECT_LT(start, end);
        EXPECT_NE(page.find("持仓占比", end), std::string::npos);
        EXPECT_NE(page.find("持仓截止日期:", end + 1), std::string::npos);
        EXPECT_LT(start, page.size() / 4) << "most of the page comes after the box";
        if (rows.count(code)) {
            EXPECT_EQ(title.substr(0, title.find('(')), rows[code][0].fund);
            EXPECT_EQ(text_after(page, "持仓截止日期: "), rows[code][0].date);
            const std::string section = page.substr(start, end - start);
            EXPECT_NE(section.find("<a href=\"//"), std::string::npos) << "protocol-relative links";
            EXPECT_NE(section.find("持仓占比合计："), std::string::npos) << "the total line";
        }
    }
}

TEST(GeneratedFundPages, SpecialFundsAreAsListed) {
    auto rows = rows_by_code();
    auto table = [&](const char* code) {
        std::vector<std::pair<std::string, std::string>> names_and_ratios;
        for (const GeneratedRow& r : rows[code]) names_and_ratios.emplace_back(r.stock, r.ratio);
        return names_and_ratios;
    };
    EXPECT_EQ(table(fund_code::demo).size(), 10u);
    EXPECT_EQ(table(fund_code::demo), table(fund_code::demo_class_c));
    int without_link = 0;
    for (const GeneratedRow& r : rows[fund_code::foreign]) without_link += r.link.empty();
    EXPECT_EQ(rows[fund_code::foreign].size(), 10u);
    EXPECT_EQ(without_link, 2);
    EXPECT_EQ(rows[fund_code::short_table].size(), 7u);
    EXPECT_TRUE(rows[fund_code::no_holdings].empty());
    EXPECT_NE(generated_page(fund_code::no_holdings).find("暂无数据"), std::string::npos);
    EXPECT_NE(rows[fund_code::older_report][0].date, rows[fund_code::demo][0].date);
}

}  // namespace
}  // namespace qinghe
