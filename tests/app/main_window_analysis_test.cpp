// The analysis run end to end in the main window against a local page
// server: progress captions, the merged and sorted rows, downloading ahead,
// the program's end during downloads and the lines that gave nothing.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <fstream>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "app/analysis_run.h"
#include "main_window_fixture.h"

namespace qinghe::app {
namespace {

using namespace main_window_testing;

class AnalysisRunTest : public AnalysisTest, public ::testing::WithParamInterface<FundSet> {};

TEST_P(AnalysisRunTest, TypedCodesAreFetchedInOrderMergedSortedShownAndReSorted) {
    const FundSet& set = GetParam();
    if (set.real) SKIP_WITHOUT_REAL_FUND_PAGES();
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(pages(set));
    point_at(server);
    std::mutex mutex;
    std::vector<std::string> captions;  // the progress label at each request
    server.on_request([&](const std::string&) {
        std::string caption = text_property(unit::label_progress);
        std::lock_guard lock(mutex);
        captions.push_back(caption);
    });
    // An empty line, a trailing blank, a page without the markers, a 404
    // and a six-byte Chinese word among the codes.
    std::string typed;
    for (const std::string& code : set.funds) typed += code + (typed.empty() ? "\r\n\r\n" : "\r\n");
    type_codes(typed + "900001 \r\n900001\r\n900002\r\n900003\r\n123456\r\n示例01");
    // Sort clicks all through the run must neither corrupt nor half-show it.
    int sort_clicks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        click(++sort_clicks % 2 ? unit::label_sort_by_occurrences : unit::label_sort_by_ratio);
    });
    clicker.start(2);
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    clicker.stop();

    {
        std::lock_guard lock(mutex);
        // A code without rows on its page asks the archive and the mobile
        // endpoint after it, under the same caption; each code's asset
        // allocation is asked beside them. None is named as a feeder (联接):
        // none asks the mobile endpoint whether it is one.
        std::vector<std::string> expected;
        std::vector<std::pair<std::string, int>> codes;
        for (const std::string& code : set.funds) codes.emplace_back(code, 2);
        codes.insert(codes.end(),
                     {{"900001", 2}, {"900002", 2}, {"900003", 4}, {"123456", 4}, {"示例01", 4}});
        for (const auto& [code, requests] : codes)
            expected.insert(expected.end(), size_t(requests), "解析基金代码 " + code + " 中…… ");
        EXPECT_EQ(captions, expected);
    }
    // The label names the lines that gave nothing; a 404 is no page.
    EXPECT_EQ(object(unit::label_progress)
                  ->toolTip()
                  .toStdString()
                  .rfind("未读到: 900001□(不是6位) 900003(无持仓) 123456(下载失败)", 0),
              0u)
        << object(unit::label_progress)->toolTip().toStdString();
    EXPECT_EQ(rows(), result_rows());
    ASSERT_EQ(rows().size(), set.merged_rows);

    click(unit::label_sort_by_occurrences);
    auto by_count = rows();
    EXPECT_EQ(by_count, result_rows());
    EXPECT_EQ(by_count[0][0], set.most_held);
    float sum = 0;
    for (float ratio : set.most_held_ratios) sum = float(sum + ratio);
    OwnedText sum_text(to_text(TaggedArg::of_float(sum)));
    EXPECT_EQ(by_count[0][1], utf8_from_gbk(sum_text.get()));
    EXPECT_EQ(by_count[0][2], std::to_string(set.most_held_ratios.size()));
    int32_t appearances = std::stoi(by_count[0][2]);
    for (size_t i = 1; i < by_count.size(); ++i) {
        EXPECT_LT(std::stoi(by_count[i][2]), std::stoi(by_count[0][2])) << by_count[i][0];
        EXPECT_LE(std::stoi(by_count[i][2]), std::stoi(by_count[i - 1][2])) << by_count[i][0];
        appearances += std::stoi(by_count[i][2]);
    }
    EXPECT_EQ(appearances, set.rows_read);

    click(unit::label_sort_by_ratio);
    auto by_ratio = rows();
    EXPECT_EQ(by_ratio, result_rows());
    for (size_t i = 1; i < by_ratio.size(); ++i)
        EXPECT_GE(std::stof(by_ratio[i - 1][1]), std::stof(by_ratio[i][1])) << i;
    // Names differing in case or by a trailing blank stay apart.
    int sample_rows = 0;
    for (const auto& row : by_ratio)
        sample_rows +=
            row[0] == "Sample Corp" || row[0] == "sample corp" || row[0] == "Sample Corp ";
    EXPECT_EQ(sample_rows, 3);
    EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
}

// Generated: the demo fund, its share class C (the same table) and the
// fund with two rows without links; 杉屿服饰-W is in all three. Real: the
// two saved pages, 泸州老窖 also in both samples.
INSTANTIATE_TEST_SUITE_P(
    Pages, AnalysisRunTest,
    ::testing::Values(FundSet{"Generated",
                              false,
                              {testing_support::fund_code::demo,
                               testing_support::fund_code::demo_class_c,
                               testing_support::fund_code::foreign},
                              22,  // 10 + 7 new + the samples' 5 names
                              "杉屿服饰-W",
                              {5.48f, 5.48f, 5.73f},
                              10 + 10 + 8 + 3 + 3},
                      FundSet{"Real",
                              true,
                              {"160127", "006309"},
                              22,  // 10 + 8 + 4 names of the samples not in 160127
                              "泸州老窖",
                              {9.66f, 8.5f, 6.25f},
                              10 + 8 + 3 + 3}),
    [](const ::testing::TestParamInfo<FundSet>& info) { return std::string(info.param.name); });

// The progress order is pinned above with one download at a time; any
// other setting shows the same rows.
TEST_F(AnalysisTest, DownloadingAheadShowsTheSameRowsForEverySetting) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    using testing_support::fund_code::demo, testing_support::fund_code::foreign;
    LoopbackServer server(pages(FundSet{"Generated", false, {demo, foreign}}));
    type_codes(std::string(demo) + "\r\n" + foreign +
               "\r\n900001\r\n123456\r\n900002\r\n900003\r\n" + demo);
    std::vector<std::vector<std::vector<std::string>>> shown;
    for (const char* parallel : {"1", "", "0", "-3", "99", "abc", "4", "8"}) {
        point_at(server, parallel);
        click(unit::label_analyse);
        ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; })) << parallel;
        shown.push_back(rows());
        EXPECT_EQ(shown.back(), shown.front()) << parallel;
    }
    EXPECT_EQ(shown.front().size(), 22u);
}

// A server that never answers: requests wait for an answer until their
// time-out (30 s); the program's end cancels them instead.
TEST_F(AnalysisTest, ProgramEndCancelsTheDownloadsUnderWay) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer silent([](qinghe::testing::Connection& c) { c.stay_silent(); });
    point_at(silent.base_url(), "4");
    type_codes("160127\r\n006309\r\n900001\r\n900002\r\n900003\r\n123456");
    click(unit::label_analyse);
    wait_until([] { return false; }, 300);
    EXPECT_EQ(runs_in_progress(), 1);
    notify_libraries_exit();  // what the exit sequence does
    EXPECT_TRUE(wait_until([] { return runs_in_progress() == 0; }, 10000));
    EXPECT_EQ(rows().size(), 0u);
}

TEST_F(AnalysisTest, LinesThatGaveNothingAreNamedWithTheirReasonsUntilTheNextRun) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    namespace code = testing_support::fund_code;
    LoopbackServer server(
        pages({"Generated", false, {code::demo, code::foreign, code::no_holdings}}));
    point_at(server);
    type_codes("701001\r\n70100\r\n702001 \r\n704001");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));

    const std::string whole = "未读到: 70100(不是6位) 702001□(不是6位) 704001(无持仓)";
    const std::string caption = text_property(unit::label_progress);
    const std::string tip = object(unit::label_progress)->toolTip().toStdString();
    if (caption == whole) {
        EXPECT_EQ(tip, "");
    } else {  // too wide for the label: cut, the tip shows it whole
        EXPECT_EQ(tip, whole);
        ASSERT_GE(caption.size(), 3u);
        EXPECT_EQ(caption.substr(caption.size() - 3), "…");
        EXPECT_EQ(whole.rfind(caption.substr(0, caption.size() - 3), 0), 0u);
    }
    auto first_rows = rows();
    EXPECT_EQ(first_rows, result_rows());
    ASSERT_EQ(first_rows.size(), 10u);  // the rows of 701001 alone
    EXPECT_EQ(first_rows[0][0], "岚溪酒业");

    // The next run's first progress text replaces the line; a run where
    // every line was read leaves the label empty and without tip.
    std::string caption_at_request;
    server.on_request([&](const std::string&) {
        if (caption_at_request.empty()) caption_at_request = text_property(unit::label_progress);
    });
    type_codes("701001\r\n\r\n702001");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    EXPECT_EQ(caption_at_request, "解析基金代码 701001 中…… ");
    EXPECT_EQ(text_property(unit::label_progress), "");
    EXPECT_EQ(object(unit::label_progress)->toolTip().toStdString(), "");
    EXPECT_EQ(rows().size(), 17u);  // 杉屿服饰-W in both; two rows of 702001 have no link
}

// The history in the window: a damaged file is told in the label once; the
// page read a quarter later shows each row's change since the stored read;
// a code the site does not answer comes from its stored report (label and
// tip say so); offline (离线=1) asks nothing.
TEST_F(AnalysisTest, HistoryGivesThePagesChangesAndTheCodesTheSiteDoesNotAnswer) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    namespace code = testing_support::fund_code;
    LoopbackServer before({{"/701001.html", testing_support::demo_page_quarter_before()}});
    LoopbackServer server(pages({"Generated", false, {code::demo, code::foreign}}));
    std::atomic<int> requests = 0;
    server.on_request([&requests](const std::string&) { ++requests; });
    auto point_all_at = [this](const std::string& base, const std::string& more = "") {
        write_config("[设置]\r\n" + testing_support::every_host_at(base) + more);
    };
    auto analyse = [this](const std::string& codes) {
        type_codes(codes);
        click(unit::label_analyse);
        return wait_until([] { return runs_in_progress() == 0; });
    };
    auto run_end_line = [] {  // whole, also when the label shows it cut
        const std::string tip = object(unit::label_progress)->toolTip().toStdString();
        return tip.empty() ? text_property(unit::label_progress) : tip;
    };

    std::ofstream(directory_.file("history.sqlite3")) << "not a database";
    point_all_at(before.base_url());
    ASSERT_TRUE(analyse("701001"));
    EXPECT_TRUE(std::regex_match(
        run_end_line(),
        std::regex("历史记录已损坏, 另存为 history\\.sqlite3\\.broken-\\d{8}-\\d{6}, 已新建")))
        << run_end_line();
    // The loopback site has no asset allocations: each line says so.
    EXPECT_EQ(tip_of("岚溪酒业"), "701001 青禾新兴消费混合A 8% (2022-06-30) 资产配置未知");

    point_all_at(server.base_url());
    ASSERT_TRUE(analyse("701001\r\n702001"));
    EXPECT_EQ(run_end_line(), "");
    EXPECT_EQ(rows().size(), 17u);
    EXPECT_EQ(tip_of("岚溪酒业"),
              "701001 青禾新兴消费混合A 9.41% (2022-09-30) 增持 +1.41 资产配置未知");
    EXPECT_EQ(tip_of("栎峰物流"), "701001 青禾新兴消费混合A 2.08% (2022-09-30) 新增 资产配置未知");

    point_all_at("http://127.0.0.1:1/");
    ASSERT_TRUE(analyse("701001\r\n999999"));
    EXPECT_EQ(run_end_line(), "未读到: 999999(下载失败) 用缓存: 701001(2022-09-30)");
    EXPECT_EQ(rows().size(), 10u);
    EXPECT_EQ(tip_of("岚溪酒业"),
              "701001 青禾新兴消费混合A 9.41% (缓存 2022-09-30) 增持 +1.41 资产配置未知");

    point_all_at(server.base_url(), "离线=1\r\n");
    requests = 0;
    ASSERT_TRUE(analyse("701001\r\n702001\r\n704001"));
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(run_end_line(),
              "未读到: 704001(无缓存) 用缓存: 701001(2022-09-30) 702001(2022-09-30)");
    EXPECT_EQ(rows().size(), 17u);

    // Read, not stored: the label says so.
    std::filesystem::permissions(directory_.file("history.sqlite3"),
                                 std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    point_all_at(server.base_url());
    ASSERT_TRUE(analyse("701001"));
    EXPECT_EQ(run_end_line(), "历史记录只读, 本次只读不存, 1 只基金未存入历史");
}

}  // namespace
}  // namespace qinghe::app
