// Where a fund's read ends in a run with a history: the page's rows get their
// change against the stored quarter before, a source's own change is kept,
// and a code no source answered is analysed from its newest stored report.
#include <gtest/gtest.h>

#include "analysis/holding_list.h"
#include "analysis/quarter_change.h"
#include "analysis/history/run_history.h"
#include "platform/text_encoding.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

using platform::gbk_from_utf8;

struct Row {
    const char* name;
    float ratio;
};

// A read of the page as the pipeline reports it, its rows also appended to
// the collector with a link each; returns the first record's index.
FundReport page_read(const char* date, std::initializer_list<Row> rows,
                     HoldingsCollector& collector, int32_t& first) {
    FundReport report{"160127", FundOutcome::read, {true, gbk_from_utf8("新兴消费"), date}, {}};
    first = record_count(collector.holdings()) + 1;
    std::vector<SourceRow> read;
    for (const Row& row : rows) {
        const std::string name = gbk_from_utf8(row.name);
        report.rows.push_back({name, row.ratio});
        read.push_back({report.rows.back(), "http://q.test/" + name});
    }
    collector.append_rows(read);
    report.source = SourceKind::page;
    return report;
}

std::vector<std::string> changes(const std::vector<FundRow>& rows) {
    std::vector<std::string> out;
    for (const FundRow& row : rows) {
        std::string text =
            platform::utf8_from_gbk(row.stock_name) + " " + platform::utf8_from_gbk(row.change);
        if (row.change_points) text += " " + std::to_string(*row.change_points).substr(0, 5);
        out.push_back(text);
    }
    return out;
}

class RunHistoryTest : public ::testing::Test {
protected:
    testing_support::TempDirectory dir;
    std::string path = dir.file("history.sqlite3");
    HoldingsCollector collector{"http://fund.test/"};
    int32_t first = 1;

    void read_in_one_run(FundReport& report) {
        RunHistory history(path, false);
        history.fund_read(report, collector, first);
    }
};

TEST_F(RunHistoryTest, PageGetsItsChangeFromTheStoredQuarterBefore) {
    FundReport june = page_read("2026-06-30", {{"甲", 5}, {"乙", 3}, {"丙", 2}}, collector, first);
    read_in_one_run(june);
    EXPECT_TRUE(june.exited.empty()) << "nothing stored before June";

    FundReport september =
        page_read("2026-09-30", {{"甲", 6.05f}, {"乙", 3}, {"丁", 1}}, collector, first);
    september.assets = AssetMix{"2026-09-30", 92.1, 3.2, 5.02, 0.0, 0.11, 12.53};
    read_in_one_run(september);
    EXPECT_EQ(changes(september.rows),
              (std::vector<std::string>{"甲 增持 1.050", "乙 持平 0.000", "丁 新增"}));
    EXPECT_EQ(changes(september.exited), (std::vector<std::string>{"丙 "}));
    EXPECT_FALSE(september.cached);

    // The site answers nothing now: the newest stored report, with its
    // change and the asset mix stored with it.
    FundReport unread{"160127", FundOutcome::download_failed, {}, {}};
    unread.assets_reason = "no answer";
    const int32_t before = record_count(collector.holdings());
    read_in_one_run(unread);
    EXPECT_TRUE(unread.cached);
    EXPECT_EQ(unread.outcome, FundOutcome::read);
    EXPECT_EQ(unread.facts.report_date, "2026-09-30");
    EXPECT_EQ(unread.facts.name, gbk_from_utf8("新兴消费"));
    EXPECT_EQ(unread.source, SourceKind::page);
    EXPECT_EQ(changes(unread.rows), changes(september.rows));
    ASSERT_TRUE(unread.assets);
    EXPECT_EQ(unread.assets->date, "2026-09-30");
    EXPECT_EQ(unread.assets->stocks, 92.1);
    EXPECT_EQ(unread.assets->funds, 0.0);
    EXPECT_EQ(unread.assets_reason, "");
    ASSERT_EQ(record_count(collector.holdings()), before + 3);
    EXPECT_STREQ(record_at(collector.holdings(), before + 1)->link,
                 gbk_from_utf8("http://q.test/甲").c_str());
}

TEST_F(RunHistoryTest, SourcesOwnChangeAndTheStoredNameAreKeptAndUndatedReadsNotStored) {
    FundReport june = page_read("2026-06-30", {{"甲", 5}}, collector, first);
    read_in_one_run(june);
    FundReport mobile = page_read("2026-09-30", {{"甲", 9}}, collector, first);
    mobile.source = SourceKind::mobile;
    mobile.rows[0].change = change_word::kCut;  // as the site said, however odd
    mobile.rows[0].change_points = -0.5f;
    mobile.facts.name.clear();  // the mobile answer names no fund
    read_in_one_run(mobile);
    EXPECT_EQ(changes(mobile.rows), (std::vector<std::string>{"甲 减持 -0.50"}));
    EXPECT_EQ(mobile.facts.name, gbk_from_utf8("新兴消费")) << "the name read before";

    FundReport undated = page_read("", {{"乙", 1}}, collector, first);
    read_in_one_run(undated);
    FundReport offline{"160127", FundOutcome::nothing_stored, {}, {}};
    RunHistory history(path, true);
    history.fund_read(offline, collector, first);
    EXPECT_EQ(offline.facts.report_date, "2026-09-30") << "the dated read stays the newest";
    EXPECT_EQ(changes(offline.rows), changes(mobile.rows)) << "stored as the source gave it";

    FundReport unknown{"999999", FundOutcome::nothing_stored, {}, {}};
    history.fund_read(unknown, collector, first);
    EXPECT_EQ(unknown.outcome, FundOutcome::nothing_stored);
    EXPECT_FALSE(unknown.cached);
}

}  // namespace
}  // namespace qinghe::app
