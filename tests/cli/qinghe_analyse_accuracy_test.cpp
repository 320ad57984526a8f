// qinghe-analyse --accuracy against a net-value endpoint of our own: the
// published changes asked with the fund's Referer and stored, a refusal
// told, and every stored estimate listed beside its published change with
// the mean absolute difference.
#include <gtest/gtest.h>

#include <atomic>

#include "analyse_program_fixture.h"
#include "analysis/history/estimate_store.h"

namespace qinghe {
namespace {

using namespace analyse_testing;

// The generated answers of the net-value endpoint, by request target.
LoopbackServer::Pages net_value_pages() {
    LoopbackServer::Pages pages;
    for (const char* code : {fund_code::demo, fund_code::foreign, fund_code::short_table})
        pages["/f10/lsjz?fundCode=" + std::string(code) + "&pageIndex=1&pageSize=20"] =
            read_whole_file(QINGHE_GENERATED_PAGES_DIR "/netvalues/" + std::string(code) + ".json");
    return pages;
}

class AnalyseAccuracyTest : public AnalyseProgramTest {
protected:
    void SetUp() override {
        AnalyseProgramTest::SetUp();
        // Every host on the page server but the net values.
        std::string hosts;
        for (const std::string key : kHostKeys)
            hosts += key + "=" + (key == "净值网址" ? net_values_ : server_).base_url() + "\r\n";
        set_sources(hosts);
    }
    std::string history() const { return program_dir() + "/history.sqlite3"; }

    LoopbackServer net_values_{net_value_pages()};
};

TEST_F(AnalyseAccuracyTest, StoredEstimatesAreListedBesideThePublishedChanges) {
    const std::vector<std::string> codes = {"--accuracy", fund_code::demo, fund_code::foreign,
                                            fund_code::short_table};
    // Nothing estimated yet: each code says so; the published changes are stored.
    Outcome r = run(codes);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no stored estimate for '701001'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no published net values for '702001' (failure (ErrCode -999))"),
              std::string::npos)
        << r.err;
    const std::vector<std::string> heads = net_values_.request_heads();
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(std::count_if(heads.begin(), heads.end(),
                            [](const std::string& head) {
                                return head.find(
                                           "Referer: https://fundf10.eastmoney.com/"
                                           "jjjz_701001.html\r\n") != std::string::npos;
                            }),
              1);

    {
        app::HistoryStore store(history());
        // 701001 published +0.52 on 12-08 and -1.30 on 12-07 (the generator's fixed days).
        for (const auto& [day, change] :
             {std::pair{"2026-12-08", 0.61}, std::pair{"2026-12-07", -1.09},
              std::pair{"2026-12-09", 0.30}})
            ASSERT_TRUE(app::store_estimate(
                store, {fund_code::demo, day, change, 0.874, "2022-09-30", ""}));
        ASSERT_TRUE(app::store_estimate(
            store, {fund_code::foreign, "2026-12-08", -0.2, 0.5, "2022-09-30", ""}));
    }
    std::atomic<int> requests = 0;
    net_values_.on_request([&requests](const std::string&) { ++requests; });
    r = run(
        {"--offline", "--accuracy", fund_code::demo, fund_code::foreign, fund_code::short_table});
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(r.status, 1) << "703001 has no estimate";
    EXPECT_EQ(r.out,
              "701001\t2026-12-09\t0.30\t\t\t87\t2022-09-30\n"
              "701001\t2026-12-08\t0.61\t0.52\t0.09\t87\t2022-09-30\n"
              "701001\t2026-12-07\t-1.09\t-1.30\t0.21\t87\t2022-09-30\n"
              "701001\t平均绝对差\t\t\t0.15\t\t\n"
              "702001\t2026-12-08\t-0.20\t\t\t50\t2022-09-30\n"
              "702001\t平均绝对差\t\t\t\t\t\n");
    EXPECT_NE(r.err.find("no stored estimate for '703001'"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("702001' (failure"), std::string::npos) << "offline: not asked";

    r = run({"--accuracy", "--format", "json", fund_code::demo});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"code\": \"701001\",\n      \"mean_absolute_difference\": 0.15,\n"
                         "      \"net_values_error\": null,"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"trading_day\": \"2026-12-07\",\n          \"estimate\": -1.09,\n"
                         "          \"published\": -1.3,\n          \"difference\": 0.21,\n"
                         "          \"coverage\": 0.874,"),
              std::string::npos)
        << r.out;
    r = run({"--accuracy", "--format", "csv", fund_code::demo});
    EXPECT_TRUE(
        r.out.starts_with("\xEF\xBB\xBF代码,交易日,估算涨跌%,公布涨跌%,差值,覆盖率%,持仓报告期\r\n"
                          "701001,2026-12-09,0.30,,,87,2022-09-30\r\n"))
        << r.out;

    EXPECT_EQ(run({"--accuracy", "--overlap", fund_code::demo}).status, 2);
    EXPECT_EQ(run({"--accuracy", "701001=100"}).status, 2);
    EXPECT_EQ(run({"--accuracy", "7010"}).status, 2);
}

}  // namespace
}  // namespace qinghe
