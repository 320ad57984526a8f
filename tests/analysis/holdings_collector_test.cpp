#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "analysis/holdings_collector.h"
#include "analysis/holdings_sorting.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"
#include "support/fund_pages.h"
#include "support/report_capture.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;
using platform::gbk_from_utf8;
using namespace testing_support;

constexpr const char* kBase = "http://fund.test/";

// Pages served by the fake reader, by URL, in UTF-8 as the site sends them.
std::map<std::string, std::string>& served_pages() {
    static std::map<std::string, std::string> pages;
    return pages;
}

ByteSet* read_served_page(const char* url) {
    auto found = served_pages().find(url);
    return found == served_pages().end() ? nullptr : make_byte_set(found->second);
}

std::string holdings_page(const std::string& rows) {
    return "<html><body>持仓占比" + rows + "持仓截止日期:2022-09-30</body></html>";
}

std::string row(const std::string& link, const std::string& name, const std::string& ratio) {
    return "<tr><td><a href=\"" + link + "\" title=\"" + name + "\">" + name +
           "</a></td><td class=\"alignRight bold\">" + ratio + "%</td></tr>";
}

struct Expected {
    const char* name;
    float ratio;
    int32_t occurrences;
};

void expect_records(const ArrayBlock* list, std::initializer_list<Expected> expected) {
    ASSERT_EQ(record_count(list), int32_t(expected.size()));
    int32_t i = 1;
    for (const Expected& e : expected) {
        const HoldingRecord* r = record_at(list, i++);
        EXPECT_EQ(std::string(r->stock_name), gbk_from_utf8(e.name));
        EXPECT_FLOAT_EQ(r->ratio, e.ratio) << e.name;
        EXPECT_EQ(r->occurrences, e.occurrences) << e.name;
    }
}

class HoldingsCollectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        directory_ = fs::temp_directory_path() / ("qinghe-collector-" + std::to_string(::getpid()));
        fs::create_directories(directory_);
        fs::current_path(directory_);
        served_pages().clear();
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(directory_);
    }
    void serve(const std::string& code, const std::string& page) {
        served_pages()[std::string(kBase) + code + ".html"] = page;
    }
    std::string dump() const {
        std::ifstream in(directory_ / "333.txt", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    HoldingsCollector collector_{kBase, read_served_page};
    fs::path previous_, directory_;
};

// A page of ten linked rows or more: the first and tenth row with the link
// resolved, and no more.
enum class Source { generated, real, eleven_rows };

struct TenRowsCase {
    const char* code;
    Source source;
    Expected first, last;
    const char* first_link;
};

void PrintTo(const TenRowsCase& c, std::ostream* out) { *out << c.code; }

std::string eleven_rows_page() {
    std::string rows;
    for (int i = 1; i <= 11; ++i)
        rows += row("/s" + std::to_string(i), "S" + std::to_string(i), std::to_string(12 - i));
    return holdings_page(rows);
}

std::string page_of(const TenRowsCase& c) {
    switch (c.source) {
    case Source::generated: return generated_page(c.code);
    case Source::real: return read_fund_file(real_page_path(c.code));
    case Source::eleven_rows: break;
    }
    return eleven_rows_page();
}

std::string case_name(const TenRowsCase& c) {
    const char* const kinds[] = {"Generated", "Real", "ElevenRows"};
    return kinds[int(c.source)] + std::string(c.code);
}

class TenRowsTest : public HoldingsCollectorTest,
                    public ::testing::WithParamInterface<TenRowsCase> {};

TEST_P(TenRowsTest, PageGivesItsTenRowsWithResolvedLinks) {
    const TenRowsCase& c = GetParam();
    if (c.source == Source::real) SKIP_WITHOUT_REAL_FUND_PAGES();
    serve(c.code, page_of(c));
    ASSERT_TRUE(collector_.fetch_fund(c.code));
    collector_.parse_rows();
    const ArrayBlock* h = collector_.holdings();
    ASSERT_EQ(record_count(h), 10);
    EXPECT_EQ(std::string(record_at(h, 1)->stock_name), gbk_from_utf8(c.first.name));
    EXPECT_FLOAT_EQ(record_at(h, 1)->ratio, c.first.ratio);
    EXPECT_EQ(std::string(record_at(h, 1)->link), c.first_link);
    EXPECT_EQ(std::string(record_at(h, 10)->stock_name), gbk_from_utf8(c.last.name));
    EXPECT_FLOAT_EQ(record_at(h, 10)->ratio, c.last.ratio);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TenRowsTest,
    ::testing::Values(
        TenRowsCase{fund_code::demo,
                    Source::generated,
                    {"岚溪酒业", 9.41f, 1},
                    {"栎峰物流", 2.08f, 1},
                    "http://quote.example.com/r/1.603871"},
        TenRowsCase{"160127",
                    Source::real,
                    {"泸州老窖", 9.66f, 1},
                    {"福耀玻璃", 2.29f, 1},
                    "http://quote.eastmoney.com/unify/r/0.000568"},
        TenRowsCase{
            "111111", Source::eleven_rows, {"S1", 11, 1}, {"S10", 2, 1}, "http://fund.test/s1"}),
    [](const ::testing::TestParamInfo<TenRowsCase>& info) { return case_name(info.param); });

TEST_F(HoldingsCollectorTest, RowsWithoutLinksAreSkippedAndNothingIsCountedTwice) {
    serve(fund_code::foreign, generated_page(fund_code::foreign));
    ASSERT_TRUE(collector_.fetch_fund(fund_code::foreign));
    collector_.parse_rows();
    expect_records(collector_.holdings(), {{"Quillfield Outfitters Inc", 6.84f, 1},
                                           {"杉屿服饰-W", 5.73f, 1},
                                           {"Brackenmoor Motors", 4.26f, 1},
                                           {"Harrowgate Home Supply", 3.91f, 1},
                                           {"Tallowmere Brands Inc", 3.18f, 1},
                                           {"Ostlund Wholesale Club", 2.71f, 1},
                                           {"Penrose Household Goods", 2.63f, 1},
                                           {"Kestrel Athletic", 2.55f, 1}});
}

TEST_F(HoldingsCollectorTest, RealPageRowsWithoutLinksAreSkippedAndNothingIsCountedTwice) {
    SKIP_WITHOUT_REAL_FUND_PAGES();
    serve("006309", read_fund_file(real_page_path("006309")));
    ASSERT_TRUE(collector_.fetch_fund("006309"));
    collector_.parse_rows();
    expect_records(collector_.holdings(), {{"亚马逊", 6.22f, 1},
                                           {"美团-W", 5.59f, 1},
                                           {"特斯拉", 3.76f, 1},
                                           {"家得宝", 3.04f, 1},
                                           {"lululemon athletica inc", 2.90f, 1},
                                           {"开市客", 2.59f, 1},
                                           {"宝洁", 2.58f, 1},
                                           {"耐克", 2.54f, 1}});
}

// Every generated page gives exactly the linked rows its generator listed,
// in order; the page of the 暂无数据 box gives none and is refused.
TEST_F(HoldingsCollectorTest, EveryGeneratedPageGivesTheLinkedRowsItsGeneratorListed) {
    std::map<std::string, std::vector<GeneratedRow>> listed;
    for (const GeneratedRow& r : generated_rows())
        if (!r.link.empty()) listed[r.code].push_back(r);
    const std::vector<std::string> codes = generated_codes();
    ASSERT_GE(codes.size(), 60u);
    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        HoldingsCollector collector(kBase, read_served_page);
        serve(code, generated_page(code));
        const std::vector<GeneratedRow>& rows = listed[code];
        ASSERT_EQ(collector.fetch_fund(code.c_str()), !rows.empty());
        collector.parse_rows();
        const ArrayBlock* h = collector.holdings();
        ASSERT_EQ(record_count(h), int32_t(rows.size()));
        for (int32_t i = 1; i <= record_count(h); ++i) {
            const GeneratedRow& r = rows[size_t(i - 1)];
            EXPECT_EQ(std::string(record_at(h, i)->stock_name), gbk_from_utf8(r.stock));
            EXPECT_FLOAT_EQ(record_at(h, i)->ratio, std::stof(r.ratio)) << r.stock;
            EXPECT_EQ(std::string(record_at(h, i)->link), r.link);
        }
    }
    EXPECT_TRUE(listed[fund_code::no_holdings].empty());
    EXPECT_EQ(listed[fund_code::short_table].size(), 7u);
}

TEST_F(HoldingsCollectorTest, RowFieldsComeFromTitleLastTagAndHref) {
    serve("111111",
          holdings_page("<a href=\"http://s.test/1\" title=\"AB\">AB</a></td><td>3.5%</td>"
                        "<a href=\"http://s.test/2\" title=\"CD\" title=\"EF\">x>y>1.25%</td>"
                        "<a href=\"http://s.test/3\" Title=\"GH\">GH</a></td><td>9%</td>"));
    ASSERT_TRUE(collector_.fetch_fund("111111"));
    collector_.parse_rows();
    expect_records(collector_.holdings(), {{"AB", 3.5f, 1}, {"CD", 1.25f, 1}});
    EXPECT_EQ(std::string(record_at(collector_.holdings(), 1)->link), "http://s.test/1");
}

TEST_F(HoldingsCollectorTest, PagesWithoutARowAreRefused) {
    serve("222222", "<html>no markers here</html>");
    serve("333333", holdings_page("<a href=\"x\" title=\"AB\">AB</a> no ratio cell"));
    EXPECT_FALSE(collector_.fetch_fund("222222"));
    EXPECT_FALSE(collector_.fetch_fund("333333"));
    EXPECT_FALSE(collector_.fetch_fund("444444"));  // nothing served: a failed download
    EXPECT_EQ(dump(), "");
}

TEST_F(HoldingsCollectorTest, DumpHoldsTheLastFetchedSection) {
    serve(fund_code::demo, generated_page(fund_code::demo));
    serve("333333", holdings_page("<b>only this</b>"));
    collector_.fetch_fund(fund_code::demo);
    EXPECT_GT(dump().size(), 1000u);
    collector_.fetch_fund("333333");
    EXPECT_EQ(dump(), "<b>only this</b>");
}

TEST_F(HoldingsCollectorTest, MergeSumsRatiosAndCountsAppearances) {
    // Names are merged as written, their character references decoded.
    serve("000001",
          holdings_page(row("/a", "X", "8.5") + row("/b", "Y", "1") + row("/c", "y", "2") +
                        row("/f", "AT&amp;T", "1") + row("/h", "苹&#26524;", "1")));
    serve("000002", holdings_page(row("/d", "Y ", "3") + row("/e", "X", "6.25") +
                                  row("/g", "AT&T", "2") + row("/i", "苹&#x679C;", "2")));
    for (const char* code : {"000001", "000002"}) {
        ASSERT_TRUE(collector_.fetch_fund(code));
        collector_.parse_rows();
    }
    ArrayBlock* result = new_record_array();
    collector_.merge_into(result);
    expect_records(
        result,
        {{"X", 14.75f, 2}, {"Y", 1, 1}, {"y", 2, 1}, {"AT&T", 3, 2}, {"苹果", 3, 2}, {"Y ", 3, 1}});
    EXPECT_EQ(std::string(record_at(result, 1)->link), "http://fund.test/a");
    release_record_array(result);
}

TEST_F(HoldingsCollectorTest, MergeAlwaysReplacesThePreviousList) {
    ArrayBlock* result = new_record_array();
    serve("000001", holdings_page(row("/a", "X", "1") + row("/b", "Y", "2")));
    collector_.fetch_fund("000001");
    collector_.parse_rows();
    collector_.merge_into(result);
    ASSERT_EQ(record_count(result), 2);

    HoldingsCollector single(kBase, read_served_page);
    serve("000002", holdings_page(row("/c", "Z", "5")));
    single.fetch_fund("000002");
    single.parse_rows();
    single.merge_into(result);
    expect_records(result, {{"Z", 5, 1}});

    HoldingsCollector none(kBase, read_served_page);
    none.merge_into(result);
    EXPECT_EQ(record_count(result), 0);
    release_record_array(result);
}

TEST_F(HoldingsCollectorTest, CopyIsDeep) {
    serve("000001", holdings_page(row("/a", "X", "1")));
    collector_.fetch_fund("000001");
    collector_.parse_rows();
    HoldingsCollector other(kBase, read_served_page);
    other.copy(collector_);
    collector_.destroy();
    expect_records(other.holdings(), {{"X", 1, 1}});
    EXPECT_EQ(std::string(other.section()), row("/a", "X", "1"));
}

TEST(HoldingsSorting, LargestKeyFirst) {
    ArrayBlock* list = new_record_array();
    const std::pair<const char*, float> rows[] = {
        {"a", 1}, {"b", 7}, {"c", 3}, {"d", 7}, {"e", -2}};
    int32_t count = 0;
    for (auto [name, ratio] : rows) {
        char n[2] = {name[0], 0};
        HoldingRecord r{n, ratio, ++count, nullptr};
        append_record_copy(list, r);
    }
    sort_by_ratio(list, 1, record_count(list));
    float previous = 1e9f;
    for (int32_t i = 1; i <= record_count(list); ++i) {
        EXPECT_LE(record_at(list, i)->ratio, previous);
        previous = record_at(list, i)->ratio;
    }
    sort_by_occurrences(list, 1, record_count(list));
    for (int32_t i = 1; i <= record_count(list); ++i)
        EXPECT_EQ(record_at(list, i)->occurrences, 6 - i);
    release_record_array(list);
}

// A sort click before any run, or after a run that found nothing, sorts the
// range 1..0 of an empty list. No record may be read: record 1 does not
// exist, and reading it is a runtime error that ends the program.
TEST(HoldingsSorting, EmptyListReadsNoRecord) {
    qinghe::testing::ReportCapture capture;
    ArrayBlock* empty = new_record_array();
    const int32_t ended = qinghe::testing::exit_code_of([&] {
        sort_by_ratio(empty, 1, record_count(empty));
        sort_by_occurrences(empty, 1, record_count(empty));
    });
    EXPECT_EQ(ended, 0x7FFFFFFF) << "the sort ended the program";
    EXPECT_EQ(capture.shown(), 0) << capture.utf8();
    EXPECT_EQ(record_count(empty), 0);
    release_record_array(empty);
}

}  // namespace
}  // namespace qinghe::app
