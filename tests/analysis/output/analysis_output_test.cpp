// The pieces of qinghe-analyse's output: CSV and JSON escaping, amounts,
// the look-through of merged stocks to their funds, exposure and funds
// with the same top ten.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/cli/analyse_options.h"
#include "analysis/code_line.h"
#include "analysis/decimal_numbers.h"
#include "analysis/fund_coverage.h"
#include "analysis/output/analysis_output.h"
#include "analysis/output/holder_tips.h"
#include "analysis/holding_list.h"
#include "analysis/look_through.h"
#include "analysis/quarter_change.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

TEST(AnalysisOutput, CsvFieldsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<const char*, const char*> cases[] = {
        {"贵州茅台", "贵州茅台"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
        {"tab\there", "tab\there"},
    };
    for (auto [field, expected] : cases) EXPECT_EQ(csv_field(field), expected) << field;
}

TEST(AnalysisOutput, JsonStringsEscapeControlsAndCarryOnlyValidUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"泸州老窖", "\"泸州老窖\""},
        {"q\"b\\s", "\"q\\\"b\\\\s\""},
        {"t\tn\nc\x01", "\"t\\tn\\nc\\u0001\""},
        {"bad\xff\xfe", "\"bad\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"cut \xE6\xB3", "\"cut \xEF\xBF\xBD\""},
        {"overlong \xC0\xAF", "\"overlong \xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"surrogate \xED\xA0\x80", "\"surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"emoji \xF0\x9F\x98\x80", "\"emoji \xF0\x9F\x98\x80\""},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(json_string(text), expected) << text;
}

TEST(AnalyseOptions, AmountsArePositiveDecimalsUpToTenToTheFifteen) {
    const std::pair<const char*, bool> cases[] = {
        {"20000", true},
        {"1500.50", true},
        {"2e4", true},
        {".5", true},
        {"", false},
        {"abc", false},
        {"-5", false},
        {"+5", false},
        {"0", false},
        {"1e400", false},
        {"inf", false},
        {"nan", false},
        {"0x10", false},
        {"5 ", false},
        {"1e15", true},
        {"1.0000001e15", false},  // above 10^15 every sum would be a slip
        // "," between groups of three digits of the integer part only
        {"5,000", true},
        {"1,234,567.50", true},
        {"12,34", false},
        {",500", false},
        {"5,,000", false},
        {"1234,567", false},
        {"5,000.123,4", false},
        {"1,000,000,000,000,001", false},
    };
    for (auto [text, valid] : cases) {
        double amount = 0;
        EXPECT_EQ(parse_amount(text, amount), valid) << text;
    }
}

TEST(AnalyseOptions, CodesAreSplitFromTheirAmountsAtTheLastEquals) {
    const std::pair<const char*, const char*> rows[] = {
        // argument, code
        {"160127=20000", "160127"},
        {"16=127=20000", "16=127"},
    };
    for (const auto& [argument, code] : rows) {
        AnalyseOptions options;
        std::string error;
        ASSERT_TRUE(parse_analyse_options({argument}, options, error)) << argument << ": " << error;
        EXPECT_EQ(options.codes, std::vector<std::string>{code});
    }
}

FundReport fund(const char* code, std::vector<FundRow> rows, const char* date = "2022-09-30") {
    FundReport report{code, FundOutcome::read, {true, "", date}, std::move(rows)};
    return report;
}

TEST(LookThrough, EachStockListsItsFundsInTypedOrderAndWeighsTheMoney) {
    const std::vector<FundReport> funds = {
        fund("000001", {{"X", 10}, {"Y", 2}}),
        {"bad", FundOutcome::not_six_bytes, {}, {}},
        fund("000002", {{"Z", 5}, {"X", 4}}),
    };
    ArrayBlock* merged = new_record_array();
    for (const char* name : {"X", "Z", "Y"}) {  // as sorted, not as typed
        HoldingRecord record{const_cast<char*>(name), 0, 1, nullptr};
        append_record_copy(merged, record);
    }
    const auto holders = look_through(merged, funds);
    ASSERT_EQ(holders.size(), 3u);
    ASSERT_EQ(holders[0].size(), 2u);
    EXPECT_EQ(holders[0][0].fund, 0u);
    EXPECT_EQ(holders[0][0].ratio, 10.0f);
    EXPECT_EQ(holders[0][1].fund, 2u);
    EXPECT_EQ(holders[0][1].ratio, 4.0f);
    ASSERT_EQ(holders[1].size(), 1u);
    EXPECT_EQ(holders[1][0].fund, 2u);

    // Amounts in 000001, the bad line and 000002; X is held by both funds,
    // Y by 000001: X = (a × 10 + c × 4) / (a + b + c), Y = a × 2 / (a + b + c).
    // The money in yuan: X = (a × 10 + c × 4) / 100, Y = a × 2 / 100.
    struct Row {
        std::vector<double> amounts;
        size_t stock;
        double exposure, money;
    };
    const Row rows[] = {
        {{30000, 5000, 10000}, 0, 340000.0 / 45000, 3400},
        {{30000, 5000, 10000}, 2, 60000.0 / 45000, 600},
        {{0.25, 0.5, 0.25}, 0, 3.5 / 1.0, 0.035},  // sums of amounts that are not whole
        {{0, 0, 20000}, 0, 80000.0 / 20000, 800},  // a fund without an amount counts 0
    };
    for (const Row& row : rows) {
        EXPECT_DOUBLE_EQ(exposure(holders[row.stock], row.amounts), row.exposure)
            << ::testing::PrintToString(row.amounts);
        EXPECT_DOUBLE_EQ(money(holders[row.stock], row.amounts), row.money)
            << ::testing::PrintToString(row.amounts);
    }
    release_record_array(merged);
}

TEST(LookThrough, FundsWithTheSameTopTenArePaired) {
    const std::vector<FundReport> funds = {
        fund("A", {{"X", 1}, {"Y", 2}}),
        fund("B", {{"X", 1}, {"Y", 2.5}}),
        fund("C", {{"X", 1}, {"Y", 2}}),
        fund("D", {{"Y", 2}, {"X", 1}}),
        fund("E", {}),
        fund("F", {}),
        fund("G", {{"X", 1}, {"Y", 2}}),
    };
    const std::vector<std::pair<size_t, size_t>> expected = {{0, 2}, {0, 6}, {2, 6}};
    EXPECT_EQ(same_holdings(funds), expected);
}

TEST(LookThrough, DifferingReportDatesAreNamedOnceInOrder) {
    EXPECT_EQ(differing_dates({fund("A", {}), fund("B", {})}), "");
    EXPECT_EQ(differing_dates({fund("A", {}, "2022-09-30"), fund("B", {}, ""),
                               fund("C", {}, "2022-06-30"), fund("D", {}, "2022-09-30")}),
              "2022-06-30, 2022-09-30");
}

// Two funds holding X: one read from the archive with changes and a stock
// that left its top ten, one from the page without.
std::vector<FundReport> funds_with_changes(ArrayBlock*& merged) {
    FundReport archive = fund("000001", {{"X", 10, change_word::kRaised, 1.05f},
                                         {"Y", 2, change_word::kNew, std::nullopt}});
    archive.source = SourceKind::archive;
    archive.exited = {{"E", 2.5f}};
    FundReport page = fund("000002", {{"X", 4}});
    page.source = SourceKind::page;
    merged = new_record_array();
    for (const char* name : {"X", "Y"}) {
        HoldingRecord record{const_cast<char*>(name), 1, 1, nullptr};
        append_record_copy(merged, record);
    }
    return {archive, page};
}

TEST(AnalysisOutput, JsonNamesEachFundsSourceAndExitedStocksAndEachHoldersChange) {
    ArrayBlock* merged = nullptr;
    std::vector<FundReport> funds = funds_with_changes(merged);
    const AnalysisResult result = analysis_result(std::move(funds), merged, {}, SortKey::count);
    const std::string json = format_result(result, OutputFormat::json);
    for (const char* part : {
             R"("rows": 2, "source": "archive", "exited": [{"name": "E", "ratio": 2.5}]})",
             R"("rows": 1, "source": "page", "exited": []})",
             R"({"code": "000001", "ratio": 10, "change": "增持", "change_points": 1.05})",
             R"({"code": "000002", "ratio": 4, "change": null, "change_points": null})",
             R"({"code": "000001", "ratio": 2, "change": "新增", "change_points": null})",
         })
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    release_record_array(merged);
}

TEST(AnalysisOutput, WithAmountsEveryFormatGivesTheMoneyPerStockAndPerHolder) {
    ArrayBlock* merged = nullptr;
    std::vector<FundReport> funds = funds_with_changes(merged);
    funds[0].amount = 20000;
    funds.push_back({"000001", FundOutcome::repeated, {}, {}});
    funds.back().amount = 1000.5;    // added to its first line's
    funds[1].amount = std::nullopt;  // counts 0
    const std::vector<double> amounts = fund_amounts(funds);
    EXPECT_EQ(amounts, (std::vector<double>{21000.5, 0, 0}));
    const AnalysisResult result =
        analysis_result(std::move(funds), merged, amounts, SortKey::count);
    const std::string json = format_result(result, OutputFormat::json);
    for (const char* part : {
             R"("exposure": 10.00, "money": 2100.05, "funds": [)",
             R"(, "change_points": 1.05, "money": 2100.05})",
             R"(, "change_points": null, "money": 0.00})",
         })
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    EXPECT_EQ(format_result(result, OutputFormat::tsv),
              "X\t1\t1\t\t10.00\t2100.05\nY\t1\t1\t\t2.00\t420.01\n");
    EXPECT_EQ(format_result(result, OutputFormat::csv),
              "\xEF\xBB\xBF股票名称,持仓比例,出现次数,链接,资金占比,持有金额\r\n"
              "X,1,1,,10.00,2100.05\r\nY,1,1,,2.00,420.01\r\n");
    EXPECT_EQ(platform::utf8_from_gbk(holder_tips(merged, result.funds).at("X")),
              "000001 10% (2022-09-30) 增持 +1.05 ￥2,100.05\n000002 4% (2022-09-30) ￥0.00");
    release_record_array(merged);
}

TEST(AnalysisOutput, YuanHaveTwoDecimalsAndGroupsOfThreeDigits) {
    const std::pair<double, const char*> rows[] = {
        {0, "0.00"},
        {999.994, "999.99"},
        {1000, "1,000.00"},
        {123456.786, "123,456.79"},
        {1e15, "1,000,000,000,000,000.00"},
        {-1234.5, "-1,234.50"},
        {std::nan(""), ""},
    };
    for (auto [amount, text] : rows) EXPECT_EQ(yuan_text(amount), text) << amount;
}

TEST(FundCoverage, TheTopTenAgainstTheStockShareAndTheMoneyInStocks) {
    FundReport equity = fund("000001", {{"X", 30}, {"Y", 15}});
    equity.assets = AssetMix{"2022-09-30", 90.0, 5.0, 5.0, 0.0, 0.0, 12.5};
    FundReport money_fund = fund("000002", {});
    money_fund.assets = AssetMix{"2022-09-30", 0.0, 20.0, 80.0, 0.0, 0.0, 3.0};
    FundReport unknown = fund("000003", {{"Z", 10}});
    unknown.assets_reason = "status 404";
    FundReport stored = fund("000004", {{"Z", 10}});  // from the history: not asked
    struct Row {
        const FundReport* fund;
        std::optional<double> coverage;
        const char* note;
    };
    const Row rows[] = {
        {&equity, 0.5, " [前十 45.00% / 股票 90.00% = 50%]"},
        {&money_fund, std::nullopt, " [前十 0.00% / 股票 0%]"},
        {&unknown, std::nullopt, " 资产配置未知"},
        {&stored, std::nullopt, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(coverage(*row.fund), row.coverage) << row.fund->code;
        EXPECT_EQ(platform::utf8_from_gbk(coverage_note(*row.fund)), row.note) << row.fund->code;
    }
    // 40,000 in the equity fund: 36,000 in stocks, 18,000 of it in its top
    // ten; the money fund adds nothing in stocks; the unknown one is left out.
    const std::vector<FundReport> funds = {equity, money_fund, unknown};
    const MoneyCoverage money = money_coverage(funds, {40000, 10000, 5000});
    EXPECT_DOUBLE_EQ(money.in_stocks, 36000);
    EXPECT_DOUBLE_EQ(money.shown, 18000);
    EXPECT_EQ(money_coverage_line(money), "股票 ¥36,000 中列表显示 ¥18,000 (50%)");
    EXPECT_EQ(money_coverage_line(money_coverage(funds, {0, 0, 5000})), "");
}

TEST(HolderTips, EachFundsLineEndsWithItsChangeWhereItIsKnown) {
    ArrayBlock* merged = nullptr;
    const std::vector<FundReport> funds = funds_with_changes(merged);
    const HolderTips tips = holder_tips(merged, funds);
    EXPECT_EQ(platform::utf8_from_gbk(tips.at("X")),
              "000001 10% (2022-09-30) 增持 +1.05\n000002 4% (2022-09-30)");
    EXPECT_EQ(platform::utf8_from_gbk(tips.at("Y")), "000001 2% (2022-09-30) 新增");
    release_record_array(merged);
}

}  // namespace
}  // namespace qinghe::app
