// The archive and mobile answers read from untrusted bytes: what a real
// answer holds is found wherever the site moves it, and anything else gives
// no rows, never a crash.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "analysis/sources/archive_answer.h"
#include "analysis/sources/mobile_answer.h"

namespace qinghe::app {
namespace {

std::string stock(const std::string& fields) { return "{" + fields + "}"; }

std::string mobile(const std::string& stocks) {
    return R"({"Datas":{"fundStocks":[)" + stocks +
           R"(],"fundboods":[]},"ErrCode":0,"Success":true,"TotalCount":1,"Expansion":"2026-03-31"})";
}

TEST(MobileAnswer, ReadsRowsWhateverKindTheirFieldsComeAsAndRefusesTheRest) {
    const std::string ten_more = [] {
        std::string s;
        for (int i = 0; i < 12; ++i) s += (i ? "," : "") + stock(R"("GPJC":"乙","JZBL":"1.5")");
        return s;
    }();
    const struct {
        const char* label;
        std::string body;
        size_t rows;
        std::string error;
    } cases[] = {
        {"as the site sends it",
         mobile(stock(R"("GPDM":"300390","GPJC":"甲","JZBL":"9.97","PCTNVCHGTYPE":"增持",)"
                      R"("PCTNVCHG":"1.05","NEWTEXCH":"0")")),
         1, ""},
        {"numbers for texts",
         mobile(stock(R"("GPDM":300390,"GPJC":"甲","JZBL":9.97,"NEWTEXCH":0)")), 1, ""},
        {"a name that is a number", mobile(stock(R"("GPJC":5,"JZBL":"1")")), 0, "no stocks"},
        {"a ratio that is no number", mobile(stock(R"("GPJC":"甲","JZBL":"--")")), 0, "no stocks"},
        {"stocks that are a text", R"({"Datas":{"fundStocks":"x"},"ErrCode":0})", 0, "no stocks"},
        {"twelve stocks", mobile(ten_more), 10, ""},
        {"empty stocks", mobile(""), 0, "no stocks"},
        {"no data", R"({"Datas":null,"ErrCode":0,"Success":true})", 0, "no stocks"},
        {"failure", R"({"Datas":null,"ErrCode":61,"Success":false,"ErrMsg":"bad"})", 0,
         "failure (ErrCode 61) bad"},
        {"invalid UTF-8", mobile(stock("\"GPJC\":\"\xff\xfe\",\"JZBL\":\"1\"")), 0, "JSON error"},
        {"a lone surrogate costs only itself",
         mobile(stock(R"("GPJC":"甲\ud800\"x","JZBL":"1")") + "," +
                stock(R"("GPJC":"\udc00乙\ud83d\ude00","JZBL":"2")")),
         2, ""},
        {"cut short", mobile(stock(R"("GPJC":"甲","JZBL":"1")")).substr(0, 40), 0, "JSON error"},
        {"an HTML page", "<html>404</html>", 0, "JSON error"},
        {"a list", "[1,2]", 0, "JSON error"},
        {"nested 100,000 deep", std::string(100000, '[') + std::string(100000, ']'), 0,
         "JSON too deep"},
        {"10 MB", "[" + std::string(10 << 20, ' ') + "]", 0, "JSON too large"},
    };
    for (const auto& c : cases) {
        const MobileAnswer answer = read_mobile_answer(c.body);
        EXPECT_EQ(answer.rows.size(), c.rows) << c.label;
        EXPECT_EQ(answer.error, c.error) << c.label;
    }
    const MobileAnswer numbers = read_mobile_answer(cases[1].body);
    EXPECT_EQ(numbers.rows[0].link, "https://quote.eastmoney.com/unify/r/0.300390");
    EXPECT_FLOAT_EQ(numbers.rows[0].ratio, 9.97f);
    EXPECT_EQ(numbers.report_date, "2026-03-31");
    const MobileAnswer surrogates = read_mobile_answer(cases[10].body);
    ASSERT_EQ(surrogates.rows.size(), 2u);
    EXPECT_EQ(surrogates.rows[0].name, "甲\uFFFD\"x");
    EXPECT_EQ(surrogates.rows[1].name, "\uFFFD乙\U0001F600");
    const MobileAnswer site = read_mobile_answer(cases[0].body);
    EXPECT_EQ(site.rows[0].change, "增持");
    EXPECT_EQ(site.rows[0].change_points, 1.05f);
}

TEST(MobileAnswer, NewHoldingsHaveNoPointsAndRowsWithoutMarketNoLink) {
    const MobileAnswer answer = read_mobile_answer(
        mobile(stock(R"("GPDM":"1","GPJC":"甲","JZBL":"1","PCTNVCHGTYPE":"新增","PCTNVCHG":"--")") +
               "," + stock(R"("GPDM":"2","GPJC":"乙","JZBL":"1","PCTNVCHG":"","NEWTEXCH":"")")));
    ASSERT_EQ(answer.rows.size(), 2u);
    EXPECT_EQ(answer.rows[0].change_points, std::nullopt);
    EXPECT_EQ(answer.rows[1].change_points, std::nullopt);
    EXPECT_EQ(answer.rows[1].change, "");
    EXPECT_EQ(answer.rows[0].link, "");
    EXPECT_EQ(answer.rows[1].link, "");
}

// A feeder's target: a six-digit ETFCODE, its share only from its own entry
// among the fund holdings and only when it is a share of net assets; named
// also when the feeder lists no stock of its own.
TEST(MobileAnswer, NamesAFeedersTargetAndTakesItsShareOnlyFromItsOwnHolding) {
    const auto feeder = [](const std::string& fields) {
        return R"({"Datas":{"fundStocks":[],)" + fields + R"(},"ErrCode":0,"Success":true})";
    };
    const std::string etf = R"("ETFCODE":"510300","ETFSHORTNAME":"示例ETF")";
    const auto holding = [](const char* code, const char* share) {
        return std::string(R"("fundfofs":[{"TZJJDM":")") + code +
               R"(","TZJJMC":"持有名","ZJZBL":)" + share + "}]";
    };
    const struct {
        const char* label;
        std::string body;
        std::optional<TargetEtf> target;
    } cases[] = {
        {"share as text", feeder(etf + "," + holding("510300", R"("93.40")")),
         TargetEtf{"510300", "示例ETF", 93.4}},
        {"share as number", feeder(etf + "," + holding("510300", "93.4")),
         TargetEtf{"510300", "示例ETF", 93.4}},
        {"another fund's share", feeder(etf + "," + holding("510500", "93.4")),
         TargetEtf{"510300", "示例ETF", std::nullopt}},
        {"share --", feeder(etf + "," + holding("510300", R"("--")")),
         TargetEtf{"510300", "示例ETF", std::nullopt}},
        {"share above any", feeder(etf + "," + holding("510300", "250")),
         TargetEtf{"510300", "示例ETF", std::nullopt}},
        {"name from the holding",
         feeder(R"("ETFCODE":"510300","ETFSHORTNAME":null,)" + holding("510300", "90")),
         TargetEtf{"510300", "持有名", 90}},
        {"no ETF", feeder(R"("ETFCODE":null,"ETFSHORTNAME":null,"fundfofs":[])"), std::nullopt},
        {"code not six digits", feeder(R"("ETFCODE":"51030X")"), std::nullopt},
        {"code as a number", feeder(R"("ETFCODE":510300)"), TargetEtf{"510300", "", std::nullopt}},
        {"fundfofs no list", feeder(etf + R"(,"fundfofs":{"TZJJDM":"510300"})"),
         TargetEtf{"510300", "示例ETF", std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const MobileAnswer answer = read_mobile_answer(c.body);
        EXPECT_EQ(answer.error, "no stocks");
        ASSERT_EQ(answer.target.has_value(), c.target.has_value());
        if (!c.target) continue;
        EXPECT_EQ(answer.target->code, c.target->code);
        EXPECT_EQ(answer.target->name, c.target->name);
        EXPECT_EQ(answer.target->share, c.target->share);
    }
}

TEST(ArchiveAnswer, ContentIsFoundAndUnescapedInAnyShapeOfTheWrapper) {
    const struct {
        std::string body;
        std::optional<std::string> content;
    } cases[] = {
        {R"(var apidata={ content:"a\"b\\c\/d\n\u4e2d\ud83d\ude00",arryear:[2026],curyear:2026};)",
         "a\"b\\c/d\n中\xF0\x9F\x98\x80"},
        {R"(var apidata={arryear:[2026,2025],"curyear":2026,content:"x"};)", "x"},
        {R"(var apidata={content:"",arryear:[],curyear:2026};)", ""},
        {R"(var apidata = {a:{b:[1,"}",[2]]}, content:'y'};)", "y"},
        {R"(var apidata={ content:"lone \udc00"};)", "lone \xEF\xBF\xBD"},
        {R"(var apidata={ content:"never closed};)", std::nullopt},
        {R"(var apidata={ content:"bad \u12"};)", std::nullopt},
        {R"(var apidata={ arryear:[2026]};)", std::nullopt},
        {"<html><h1>404</h1></html>", std::nullopt},
        {"var apidata=" + std::string(100000, '['), std::nullopt},
        {"var apidata={x:" + std::string(100000, '[') + "],content:\"z\"}", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(apidata_content(c.body), c.content) << c.body.substr(0, 60);
}

std::string block(const std::string& heading, const std::string& header, const std::string& rows) {
    return "<div class='boxitem w790'><h4 class='t'>" + heading +
           "</h4><table class='w782 comm tzxq'><thead><tr>" + header + "</tr></thead><tbody>" +
           rows + "</tbody></table></div>";
}

std::string answer_of(const std::string& content) {
    return "var apidata={ content:\"" + content + "\",arryear:[2026],curyear:2026};";
}

TEST(ArchiveAnswer, ColumnsAreFoundByTheirHeaderWhereverTheyStand) {
    const std::string newest = block(
        "<label class='left'><a title='基金甲' "
        "href='x'>基金甲</a>&nbsp;&nbsp;2026年3季度股票投资明细"
        "</label><label>截止至：<font class='px12'>2026-09-30</font></label>",
        "<th>序号</th><th>股票代码</th><th>股票名称</th><th>相关资讯</th><th>占净值<br />比例</th>",
        "<tr><td>1</td><td><a href='//q.test/1'>1</a></td><td class='tol'><a href='//q.test/n1'>"
        "甲股</a></td><td>x</td><td class='tor'>8.25%</td></tr>"
        "<tr><td>2</td><td>2</td><td class='toc'>乙股</td><td>x</td><td>--</td></tr>"
        "<tr><td>3</td><td><a href='/c3'>3</a></td><td class='toc'> 丙股 </td><td>x</td><td>1.5%"
        "</td></tr>");
    const std::string older = block(
        "<label class='left'>基金甲&nbsp;&nbsp;2026年2季度股票投资明细</label>截止至：2026-06-30",
        "<th>序号</th><th>股票代码</th><th>股票名称</th><th>占净值比例</th><th>持股数</th>",
        "<tr><td>1</td><td>1</td><td>甲股</td><td>7.20%</td><td>5</td></tr>");
    const ArchiveAnswer answer =
        read_archive_answer(answer_of("<div class='box'>" + newest + older + "</div>"),
                            "https://site.test/FundArchivesDatas.aspx");
    ASSERT_TRUE(answer.apidata);
    ASSERT_EQ(answer.quarters.size(), 2u);
    const ArchiveQuarter& q = answer.quarters[0];
    EXPECT_EQ(q.fund_name, "基金甲");
    EXPECT_EQ(q.report_date, "2026-09-30");
    EXPECT_EQ(q.year, 2026);
    EXPECT_EQ(q.quarter, 3);
    ASSERT_EQ(q.rows.size(), 2u) << "a row without a number for its ratio is left out";
    EXPECT_EQ(q.rows[0].name, "甲股");
    EXPECT_FLOAT_EQ(q.rows[0].ratio, 8.25f);
    EXPECT_EQ(q.rows[0].link, "https://q.test/n1");
    EXPECT_EQ(q.rows[1].name, "丙股");
    EXPECT_EQ(q.rows[1].link, "https://site.test/c3");
    EXPECT_EQ(answer.quarters[1].fund_name, "基金甲");
    EXPECT_EQ(answer.quarters[1].report_date, "2026-06-30");
    ASSERT_EQ(answer.quarters[1].rows.size(), 1u);
    EXPECT_FLOAT_EQ(answer.quarters[1].rows[0].ratio, 7.20f);
}

TEST(ArchiveAnswer, BrokenMarkupGivesWhatItCanAndNeverMore) {
    const std::string cases[] = {
        answer_of("<div class='boxitem'><h4>no table"),
        answer_of("<div class='boxitem'><table><tr><th>股票名称</th></tr><tr><td>甲</td></tr>"),
        answer_of("<div class='boxitem'><table><tr><td>股票名称<td>占净值比例<tr><td>甲<td>1%<tr"),
        answer_of("<div class='boxitem'><table><tr><td title='unclosed>股票名称</td></tr>"),
        answer_of(std::string(200000, '<')),
        answer_of("<div class='boxitem'>" + std::string(50000, '<') + "tr>"),
    };
    const size_t rows[] = {0, 0, 1, 0, 0, 0};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const ArchiveAnswer answer = read_archive_answer(cases[i], "http://site.test/");
        size_t found = answer.quarters.empty() ? 0 : answer.quarters[0].rows.size();
        EXPECT_EQ(found, rows[i]) << i;
    }
}

// A ratio is a plain decimal from 0 to 100, "+" before and "%" after it
// allowed, in either answer; any other drops its row, and the rows dropped
// are counted. A report date is a real day, not in the future.
TEST(SourceAnswers, RatiosArePercentagesDatesRealDaysAndDroppedRowsCounted) {
    const struct {
        const char* ratio;
        std::optional<float> taken;
    } cases[] = {
        {"8.25", 8.25f}, {"+2.5%", 2.5f}, {"3.3%", 3.3f}, {"0", 0.0f},    {"100", 100.0f},
        {".5", 0.5f},    {"-1.5%", {}},   {"1e5%", {}},   {"100.01", {}}, {"1e30", {}},
        {"--", {}},      {"", {}},        {"inf", {}},    {"1.2.3", {}},  {"++1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ratio);
        const std::string cell = std::string(c.ratio);
        const MobileAnswer text =
            read_mobile_answer(mobile(stock(R"("GPJC":"甲","JZBL":")" + cell + "\"")));
        const ArchiveAnswer archive =
            read_archive_answer(answer_of(block("2026年3季度 截止至：2026-09-30",
                                                "<th>股票名称</th><th>占净值比例</th>",
                                                "<tr><td>甲</td><td>" + cell + "</td></tr>")),
                                "http://site.test/");
        ASSERT_EQ(archive.quarters.size(), 1u);
        EXPECT_EQ(text.dropped, c.taken ? 0u : 1u);
        EXPECT_EQ(archive.quarters[0].dropped, c.taken ? 0u : 1u);
        ASSERT_EQ(text.rows.size(), c.taken ? 1u : 0u);
        ASSERT_EQ(archive.quarters[0].rows.size(), c.taken ? 1u : 0u);
        if (c.taken) {
            EXPECT_FLOAT_EQ(text.rows[0].ratio, *c.taken);
            EXPECT_FLOAT_EQ(archive.quarters[0].rows[0].ratio, *c.taken);
        }
    }
    for (const char* number : {"-3", "1e30", "100.5"})
        EXPECT_TRUE(
            read_mobile_answer(mobile(stock(std::string(R"("GPJC":"甲","JZBL":)") + number)))
                .rows.empty())
            << number;

    for (const char* date :
         {"2026-13-45", "9999-99-99", "2023-02-29", "2999-01-01", "0000-00-00"}) {
        std::string body = mobile(stock(R"("GPJC":"甲","JZBL":"1")"));
        body.replace(body.find("2026-03-31"), 10, date);
        EXPECT_EQ(read_mobile_answer(body).report_date, "") << date;
        const ArchiveAnswer archive =
            read_archive_answer(answer_of(block(std::string("2026年3季度 截止至：") + date,
                                                "<th>股票名称</th><th>占净值比例</th>",
                                                "<tr><td>甲</td><td>1%</td></tr>")),
                                "http://site.test/");
        EXPECT_EQ(archive.quarters[0].report_date, "") << date;
    }
    std::string leap = mobile(stock(R"("GPJC":"甲","JZBL":"1")"));
    leap.replace(leap.find("2026-03-31"), 10, "2024-02-29");
    EXPECT_EQ(read_mobile_answer(leap).report_date, "2024-02-29");
}

// A table inside a name cell is part of that cell: the rows around it stay.
TEST(ArchiveAnswer, TableInsideANameCellCostsNoOtherRow) {
    const ArchiveAnswer answer = read_archive_answer(
        answer_of(
            block("2026年3季度", "<th>股票名称</th><th>占净值比例</th>",
                  "<tr><td>甲</td><td>1%</td></tr>"
                  "<tr><td>乙<table><tr><td>x</td><td>9%</td></tr></table></td><td>2%</td></tr>"
                  "<tr><td>丙</td><td>3%</td></tr>")),
        "http://site.test/");
    ASSERT_EQ(answer.quarters.size(), 1u);
    ASSERT_EQ(answer.quarters[0].rows.size(), 3u);
    EXPECT_EQ(answer.quarters[0].rows[1].name, "乙x9%");
    EXPECT_FLOAT_EQ(answer.quarters[0].rows[1].ratio, 2.0f);
    EXPECT_EQ(answer.quarters[0].rows[2].name, "丙");
}

}  // namespace
}  // namespace qinghe::app
