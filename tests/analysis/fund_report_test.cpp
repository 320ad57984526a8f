// What each typed line gave: the outcome of the pipeline with a fake
// reader of the site, the facts read from an answer, and the end-of-run
// line naming the lines that gave nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "analysis/core_calls.h"
#include "analysis/holdings_pipeline.h"
#include "analysis/output/analysis_output.h"
#include "analysis/output/holder_tips.h"
#include "analysis/sources/mobile_source.h"
#include "analysis/unread_codes.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;
using platform::gbk_from_utf8;
using platform::utf8_from_gbk;

constexpr const char* kBase = "http://fund.test/";

std::map<std::string, std::string>& pages() {
    static std::map<std::string, std::string> served;
    return served;
}

// Nothing for an unknown URL (no answer), else the page's bytes.
net::FetchResult fetch_page(const net::Request& request) {
    auto found = pages().find(request.url);
    if (found == pages().end()) return {};
    return {200, found->second, 0, true};
}

std::string page(const std::string& title, const std::string& rows, const std::string& date) {
    return "<html><head><title>" + title + "</title></head><body>持仓占比" + rows +
           "持仓截止日期:" + date + "</body></html>";
}

std::string row(const std::string& name, const std::string& ratio) {
    return "<a href=\"/s\" title=\"" + name + "\">" + name + "</a></td><td>" + ratio + "%</td>";
}

ArrayBlock* lines_of(const std::vector<std::string>& utf8_lines) {
    ArrayBlock* lines = make_array(int32_t(utf8_lines.size()), int32_t(sizeof(void*)));
    for (size_t i = 0; i < utf8_lines.size(); ++i)
        lines->set_pointer_at(int64_t(i), make_text(gbk_from_utf8(utf8_lines[i])));
    return lines;
}

void release(ArrayBlock* lines) {
    for (int32_t i = 0; i < lines->sizes()[0]; ++i) mem_free(lines->pointer_at(i));
    mem_free(lines);
}

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(directory_.path());  // the dump file goes here
        pages().clear();
    }
    void TearDown() override { fs::current_path(previous_); }

    // The page asked first, then the mobile endpoint; with `feeders`, the
    // asset mix and the feeder check asked beside them.
    std::vector<FundReport> run(const std::vector<std::string>& utf8_lines, bool feeders = false) {
        ArrayBlock* lines = lines_of(utf8_lines);
        std::vector<FundReport> reports;
        {
            const SourceSettings settings{
                {SourceKind::page, SourceKind::mobile}, kBase, kBase, kBase};
            FundsAhead funds(accepted_codes(lines), make_sources(settings), 2, fetch_page,
                             feeders ? AssetMixRequest(settings) : AssetMixRequest(),
                             feeders ? FeederCheck(settings) : FeederCheck());
            reports = collect_holdings(collector_, lines, {}, funds);
        }
        release(lines);
        return reports;
    }

    testing_support::TempDirectory directory_;
    fs::path previous_;
    HoldingsCollector collector_{kBase};
};

TEST_F(PipelineTest, EveryLineGetsItsOutcomeFactsAndRowsInLineOrder) {
    pages()["http://fund.test/160127.html"] =
        page("南方新兴消费增长股票(LOF)A(160127)基金净值",
             row("泸州老窖", "9.66") + row("贵州茅台", "9.17"), " 2022-09-30</span>");
    pages()["http://fund.test/222222.html"] = page("无表(222222)", "<p>暂无数据</p>", "2022-06-30");
    pages()["http://fund.test/333333.html"] = "";
    pages()["http://fund.test/444444.html"] = page("示例基金", row("A", "1"), "未知");
    pages()["http://fund.test/555555.html"] = page("示例(555555)", row("A", "1"), "2022-09/30");
    pages()["http://fund.test/666666.html"] =
        page("青禾&amp;&#26524;&nbsp;(666666)", row("A", "1"), "2022-09-30");
    // No box on the page: the mobile answer gives the rows, the page the name.
    pages()["http://fund.test/777777.html"] = page("移动基金(777777)", "", "2022-09-30");
    pages()[mobile_url(kBase, "777777")] =
        R"({"Datas":{"fundStocks":[{"GPDM":"600000","GPJC":"甲","JZBL":"3.5","NEWTEXCH":"1",)"
        R"("PCTNVCHGTYPE":"增持","PCTNVCHG":"0.5"}]},"ErrCode":0,"Success":true,"Expansion":"2026-03-31"})";
    // The page says no box and the mobile endpoint that the site is busy.
    pages()["http://fund.test/888888.html"] = page("忙基金(888888)", "", "2022-09-30");
    pages()[mobile_url(kBase, "888888")] =
        R"({"Datas":null,"ErrCode":5,"Success":false,"ErrMsg":"系统繁忙"})";
    // A stock listed twice, a report date no calendar has.
    pages()["http://fund.test/121212.html"] =
        page("重复(121212)", row("岚溪酒业", "2") + row("乙", "1") + row("岚溪酒业", "1.5"),
             "2026-13-45");
    // A NUL escaped inside a name of the mobile answer.
    pages()["http://fund.test/131313.html"] = page("空(131313)", "", "2022-09-30");
    pages()[mobile_url(kBase, "131313")] =
        R"({"Datas":{"fundStocks":[{"GPJC":"甲\u0000乙","JZBL":"3"}]},"ErrCode":0,"Success":true})";
    struct Expected {
        const char* code;
        FundOutcome outcome;
        const char* name;
        const char* date;
        size_t rows;
    };
    const Expected expected[] = {
        {"160127", FundOutcome::read, "南方新兴消费增长股票(LOF)A", "2022-09-30", 2},
        {"", FundOutcome::not_six_bytes, "", "", 0},
        {"16012", FundOutcome::not_six_bytes, "", "", 0},
        {"222222", FundOutcome::no_holdings, "无表", "2022-06-30", 0},
        {"333333", FundOutcome::download_failed, "", "", 0},  // an empty body
        {"999999", FundOutcome::download_failed, "", "", 0},  // nothing at all
        {"444444", FundOutcome::read, "", "", 1},             // no "(CODE)" in the title, no date
        {"555555", FundOutcome::read, "示例", "", 1},         // no date: the second "-" is not one
        {"666666", FundOutcome::read, "青禾&果?", "2022-09-30", 1},  // references decoded
        {"777777", FundOutcome::read, "移动基金", "2026-03-31", 1},
        {"888888", FundOutcome::no_holdings, "忙基金", "2022-09-30", 0},
        {"121212", FundOutcome::read, "重复", "", 2},  // one holding per stock, no date
        {"131313", FundOutcome::read, "空", "", 1},
        {"160127", FundOutcome::repeated, "", "", 0},  // analysed once, at its first line
    };
    std::vector<std::string> lines;
    for (const Expected& e : expected) lines.push_back(e.code);
    const auto reports = run(lines);
    ASSERT_EQ(reports.size(), std::size(expected));
    for (size_t i = 0; i < reports.size(); ++i) {
        SCOPED_TRACE(expected[i].code);
        EXPECT_EQ(utf8_from_gbk(reports[i].code), expected[i].code);
        EXPECT_EQ(reports[i].outcome, expected[i].outcome);
        EXPECT_EQ(utf8_from_gbk(reports[i].facts.name), expected[i].name);
        EXPECT_EQ(reports[i].facts.report_date, expected[i].date);
        EXPECT_EQ(reports[i].rows.size(), expected[i].rows);
    }
    EXPECT_EQ(utf8_from_gbk(reports[0].rows[1].stock_name), "贵州茅台");
    EXPECT_FLOAT_EQ(reports[0].rows[1].ratio, 9.17f);
    EXPECT_EQ(reports[0].source, SourceKind::page);
    EXPECT_EQ(reports[3].source, std::nullopt);
    EXPECT_EQ(reports[9].source, SourceKind::mobile);
    EXPECT_EQ(utf8_from_gbk(reports[9].rows[0].change), "增持");
    EXPECT_EQ(reports[9].rows[0].change_points, 0.5f);
    EXPECT_EQ(reports[10].fault, "站点繁忙");
    EXPECT_EQ(reports[10].fault_reason, "mobile: failure (ErrCode 5) 系统繁忙");
    EXPECT_EQ(reports[3].fault, "") << "no box and no answer are no fault of the site";
    EXPECT_EQ(utf8_from_gbk(reports[11].rows[0].stock_name), "岚溪酒业");
    EXPECT_FLOAT_EQ(reports[11].rows[0].ratio, 3.5f);
    EXPECT_EQ(utf8_from_gbk(reports[12].rows[0].stock_name), "甲 乙");
}

// A feeder's mobile answer: no stocks of its own, `fields` naming its target.
std::string feeder_answer(const std::string& fields) {
    return R"({"Datas":{"fundStocks":[],)" + fields + R"(},"ErrCode":0,"Success":true})";
}

// "name ratio", " via CODE" for a row held through the ETF, joined by ", ".
std::string rows_text(const FundReport& report) {
    std::string text;
    for (const FundRow& row : report.rows) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, " %g", double(row.ratio));
        text += (text.empty() ? "" : ", ") + utf8_from_gbk(row.stock_name) + ratio;
        if (!row.via.empty()) text += " via " + row.via;
    }
    return text;
}

TEST_F(PipelineTest, FeedersAddTheirEtfsRowsScaledByTheirShareInIt) {
    const std::string etf = R"("ETFCODE":"705009","ETFSHORTNAME":"青禾示例ETF")";
    const std::string share_90 =
        R"(,"fundfofs":[{"TZJJDM":"705009","TZJJMC":"青禾示例ETF","ZJZBL":"90"}])";
    pages()["http://fund.test/705009.html"] =
        page("青禾示例ETF(705009)", row("甲", "10") + row("丙", "8.37"), "2026-09-30");
    // Its share among its fund holdings; 甲 both direct and through the ETF.
    pages()["http://fund.test/705001.html"] =
        page("青禾示例联接A(705001)", row("甲", "1") + row("乙", "0.5"), "2026-09-30");
    pages()[mobile_url(kBase, "705001")] = feeder_answer(etf + share_90);
    // Not among them: the asset mix's funds share.
    pages()["http://fund.test/705002.html"] = page("联接C(705002)", row("乙", "2"), "2026-09-30");
    pages()[mobile_url(kBase, "705002")] = feeder_answer(etf);
    pages()[asset_mix_url(kBase, "705002")] =
        R"({"Datas":[{"FSRQ":"2026-09-30","GP":"2","ZQ":"--","HB":"3","JJ":"95","QT":"--",)"
        R"("JZC":"1.5"}],"ErrCode":0,"Success":true})";
    // Neither: nothing guessed.
    pages()["http://fund.test/705003.html"] = page("联接E(705003)", row("乙", "2"), "2026-09-30");
    pages()[mobile_url(kBase, "705003")] =
        feeder_answer(etf + R"(,"fundfofs":[{"TZJJDM":"705009","ZJZBL":"--"}])");
    // An ETF that answers nothing.
    pages()["http://fund.test/705004.html"] = page("联接F(705004)", row("乙", "2"), "2026-09-30");
    pages()[mobile_url(kBase, "705004")] =
        feeder_answer(R"("ETFCODE":"705008","fundfofs":[{"TZJJDM":"705008","ZJZBL":"90"}])");
    // No stocks of its own anywhere: read through the ETF alone.
    pages()["http://fund.test/705005.html"] = page("联接G(705005)", "", "2026-09-30");
    pages()[mobile_url(kBase, "705005")] = feeder_answer(etf + share_90);
    const struct {
        const char* code;
        FundOutcome outcome;
        ThroughEtf through;
        std::optional<double> share;
        const char* rows;
    } expected[] = {
        {"705001", FundOutcome::read, ThroughEtf::added, 90,
         "甲 1, 乙 0.5, 甲 9 via 705009, 丙 7.53 via 705009"},  // 7.533 to hundredths
        {"705002", FundOutcome::read, ThroughEtf::added, 95,
         "乙 2, 甲 9.5 via 705009, 丙 7.95 via 705009"},
        {"705003", FundOutcome::read, ThroughEtf::share_unknown, std::nullopt, "乙 2"},
        {"705004", FundOutcome::read, ThroughEtf::not_read, 90, "乙 2"},
        {"705005", FundOutcome::read, ThroughEtf::added, 90, "甲 9 via 705009, 丙 7.53 via 705009"},
    };
    std::vector<std::string> lines;
    for (const auto& e : expected) lines.push_back(e.code);
    lines.push_back("705009");  // the ETF typed itself: no feeder
    std::vector<FundReport> reports = run(lines, true);
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].code);
        EXPECT_EQ(reports[i].outcome, expected[i].outcome);
        ASSERT_TRUE(reports[i].target_etf);
        EXPECT_EQ(reports[i].through_etf, expected[i].through);
        EXPECT_EQ(reports[i].target_etf->share, expected[i].share);
        EXPECT_EQ(rows_text(reports[i]), expected[i].rows);
    }
    EXPECT_FALSE(reports.back().target_etf);
    EXPECT_EQ(utf8_from_gbk(unread_codes_line(reports)),
              "联接基金: 705003(目标ETF份额未知) 705004(目标ETF持仓未读到)");

    // 甲 is one record per fund that holds it, both parts of 705001 in one.
    ArrayBlock* merged = nullptr;
    collector_.merge_into(merged);
    const AnalysisResult result =
        analysis_result(std::move(reports), merged, {}, SortKey::as_given);
    const HoldingRecord* first = record_at(merged, 1);
    EXPECT_EQ(utf8_from_gbk(first->stock_name), "甲");
    EXPECT_FLOAT_EQ(first->ratio, 1 + 9 + 9.5f + 9 + 10);
    EXPECT_EQ(first->occurrences, 4);
    const std::string tip =
        utf8_from_gbk(holder_tips(merged, result.funds).at(gbk_from_utf8("甲")));
    EXPECT_EQ(tip.substr(0, tip.find("\n705002")),
              "705001 青禾示例联接A 1% (2026-09-30) 资产配置未知\n"
              "705001 青禾示例联接A 9% (2026-09-30) 经 705009 青禾示例ETF 90% 资产配置未知");
    EXPECT_NE(utf8_from_gbk(holder_tips(merged, result.funds).at(gbk_from_utf8("乙")))
                  .find("705003 联接E 2% (2026-09-30) 联接基金, 目标ETF份额未知"),
              std::string::npos);
    const std::string json = format_result(result, OutputFormat::json);
    for (
        const char* part : {
            R"("target_etf": {"code": "705009", "name": "青禾示例ETF", "share": 90}})",
            R"("target_etf": {"code": "705009", "name": "青禾示例ETF", "share": null}})",
            R"({"code": "705001", "ratio": 9, "change": null, "change_points": null, "via": "705009"})",
        })
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    release_record_array(merged);
}

TEST(UnreadCodes, NameEachLineThatGaveNothingWithItsReason) {
    auto report = [](const char* utf8_code, FundOutcome outcome) {
        return FundReport{gbk_from_utf8(utf8_code), outcome, {}, {}};
    };
    using O = FundOutcome;
    FundReport busy = report("701009", O::no_holdings);
    busy.fault = "站点繁忙";
    FundReport with_amount = report("701001", O::read);
    with_amount.amount = 20000;
    struct Case {
        std::vector<FundReport> reports;
        const char* line;
    };
    const Case cases[] = {
        {{report("160127", O::read), report("", O::not_six_bytes)}, ""},
        {{report("160127", O::read), report("16012", O::not_six_bytes),
          report("006309 ", O::not_six_bytes), report("999999", O::no_holdings)},
         "未读到: 16012(不是6位) 006309□(不是6位) 999999(无持仓)"},
        {{report("123456", O::download_failed), report("\t示例", O::not_six_bytes)},
         "未读到: 123456(下载失败) □示例(不是6位)"},
        {{report("一二三四五六七八九十一二三四五六七八九十", O::not_six_bytes)},
         "未读到: 一二三四五六七八九十一二…(不是6位)"},
        {{report("160127", O::read), busy, report("160127", O::repeated)},
         "未读到: 701009(站点繁忙) 重复: 160127"},
        // once a line has an amount, the funds read without one are named
        {{with_amount, report("701001 2,0", O::bad_amount), report("702001", O::read),
          report("703001", O::no_holdings), report("701001", O::repeated)},
         "未读到: 701001□2,0(金额无效) 703001(无持仓) 重复: 701001 未填金额: 702001"},
    };
    for (const Case& c : cases) EXPECT_EQ(utf8_from_gbk(unread_codes_line(c.reports)), c.line);
}

}  // namespace
}  // namespace qinghe::app
