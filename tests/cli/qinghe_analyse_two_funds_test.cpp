// qinghe-analyse on two funds, generated or the saved real pages: the
// merged list by ratio and by count, the dump file beside the binary (in
// the XDG folders for a program under a system prefix), the caller's
// working directory left alone, and the JSON of the same list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analyse_program_fixture.h"

namespace qinghe {
namespace {

using namespace analyse_testing;

// The expected merge of the generated demo and foreign funds, largest ratio
// first: 杉屿服饰-W is in both, the ratio as the float text rule writes it.
const std::vector<Line>& expected_by_ratio() {
    static const std::vector<Line> lines = [] {
        const char* const rows[][4] = {
            {"杉屿服饰-W", "11.21", "2", "116.06618"},
            {"岚溪酒业", "9.41", "1", "1.603871"},
            {"澄岫食品", "8.87", "1", "0.002915"},
            {"霁川乳业", "7.92", "1", "1.600733"},
            {"Quillfield Outfitters Inc", "6.84", "1", "105.QLFD"},
            {"檀湾家电", "6.35", "1", "0.000962"},
            {"荻洲调味", "4.76", "1", "1.603520"},
            {"Brackenmoor Motors", "4.26", "1", "105.BRKM"},
            {"Harrowgate Home Supply", "3.91", "1", "106.HGHS"},
            {"泓樾汽车", "3.64", "1", "0.002781"},
            {"Tallowmere Brands Inc", "3.18", "1", "105.TLWB"},
            {"瑾澜医药", "3.12", "1", "1.688239"},
            {"Ostlund Wholesale Club", "2.71", "1", "105.OWCL"},
            {"Penrose Household Goods", "2.63", "1", "106.PHGX"},
            {"漪汀旅游", "2.57", "1", "0.300952"},
            {"Kestrel Athletic", "2.55", "1", "106.KSTL"},
            {"栎峰物流", "2.08", "1", "1.601688"},
        };
        std::vector<Line> out;
        for (const auto& row : rows)
            out.push_back(
                {row[0], row[1], row[2], std::string("http://quote.example.com/r/") + row[3]});
        return out;
    }();
    return lines;
}

// The same for the saved real pages 160127 and 006309: every stock once.
const std::vector<Line>& expected_real_by_ratio() {
    static const std::vector<Line> lines = [] {
        const std::pair<const char*, const char*> rows[] = {
            {"泸州老窖", "9.66"},
            {"贵州茅台", "9.17"},
            {"山西汾酒", "9.06"},
            {"亚马逊", "6.22"},
            {"美团-W", "5.59"},
            {"古井贡酒", "5.22"},
            {"伊利股份", "5.12"},
            {"李宁", "4.18"},
            {"特斯拉", "3.76"},
            {"安井食品", "3.33"},
            {"国联股份", "3.27"},
            {"家得宝", "3.04"},
            {"lululemon athletica inc", "2.9"},
            {"洋河股份", "2.85"},
            {"开市客", "2.59"},
            {"宝洁", "2.58"},
            {"耐克", "2.54"},
            {"福耀玻璃", "2.29"},
        };
        const char* links[] = {"0.000568", "1.600519", "1.600809",  "105.AMZN", "116.03690",
                               "0.000596", "1.600887", "116.02331", "105.TSLA", "1.603345",
                               "1.603613", "106.HD",   "105.LULU",  "0.002304", "105.COST",
                               "106.PG",   "106.NKE",  "1.600660"};
        std::vector<Line> out;
        for (size_t i = 0; i < std::size(rows); ++i)
            out.push_back({rows[i].first, rows[i].second, "1",
                           std::string("http://quote.eastmoney.com/unify/r/") + links[i]});
        return out;
    }();
    return lines;
}

// Two funds with ten rows each, the second with two rows without links.
struct TwoFunds {
    const char* name;
    bool real;
    const char* first;
    const char* second;
    const std::vector<Line>& (*expected_by_ratio)();
};

void PrintTo(const TwoFunds& c, std::ostream* out) { *out << c.name; }

class TwoFundsTest : public AnalyseProgramTest, public ::testing::WithParamInterface<TwoFunds> {};

TEST_P(TwoFundsTest, PrintTheMergedListByRatio) {
    const TwoFunds& c = GetParam();
    if (c.real) SKIP_WITHOUT_REAL_FUND_PAGES();
    Outcome r = run({"--base-url", server_.base_url(), c.first, c.second});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(parse_lines(r.out), c.expected_by_ratio());

    // The dump file beside the binary holds the section of the last page;
    // the caller's directory stays empty.
    EXPECT_EQ(read_whole_file(program_dir() + "/333.txt"), section_of(page(c.second, c.real)));
    EXPECT_TRUE(fs::is_empty(caller_dir()));
}

TEST_P(TwoFundsTest, SortByCountKeepsEveryLineWithCountsDescending) {
    const TwoFunds& c = GetParam();
    if (c.real) SKIP_WITHOUT_REAL_FUND_PAGES();
    Outcome r = run({"--sort", "count", "--base-url", server_.base_url(), c.second, c.first});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<Line> lines = parse_lines(r.out);
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_GE(std::stoi(lines[i - 1].at(2)), std::stoi(lines[i].at(2)));
    std::vector<Line> expected = c.expected_by_ratio();
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(read_whole_file(program_dir() + "/333.txt"), section_of(page(c.first, c.real)));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TwoFundsTest,
    ::testing::Values(TwoFunds{"Generated", false, fund_code::demo, fund_code::foreign,
                               expected_by_ratio},
                      TwoFunds{"Real", true, "160127", "006309", expected_real_by_ratio}),
    [](const ::testing::TestParamInfo<TwoFunds>& info) { return std::string(info.param.name); });

// The JSON of two funds: names and report dates from the pages, each
// stock's funds summing to its ratio, the same list as the TSV.
TEST_P(TwoFundsTest, JsonListsBothFundsAndMatchesTheTsvList) {
    if (!python_starts()) GTEST_SKIP() << "python3 cannot be started from this system's programs";
    const TwoFunds& c = GetParam();
    if (c.real) SKIP_WITHOUT_REAL_FUND_PAGES();
    const std::string file = temp_.file("two.json");
    Outcome r = run({"--base-url", server_.base_url(), "--format", "json", "--output", file,
                     c.first, c.second});
    EXPECT_EQ(r.status, 0) << r.err;
    Outcome parsed = run_analyser(
        "/usr/bin/python3",
        {"-c",
         "import json,sys\n"
         "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
         "for f in d['funds']: print(f['code'], f['name'], f['report_date'], f['rows'])\n"
         "for s in d['stocks']:\n"
         "    assert abs(sum(h['ratio'] for h in s['funds']) - s['ratio']) < 1e-4, s\n"
         "    assert len(s['funds']) == s['occurrences'], s\n"
         "    print('%s\\t%s\\t%s' % (s['name'], s['ratio'], s['occurrences']))\n"
         "print(d['same_holdings'], 'note' in d)\n",
         file});
    ASSERT_EQ(parsed.status, 0) << parsed.err;
    std::string expected = c.real ? "160127 南方新兴消费增长股票(LOF)A 2022-09-30 10\n"
                                    "006309 汇添富全球消费混合人民币C 2022-09-30 8\n"
                                  : "701001 青禾新兴消费混合A 2022-09-30 10\n"
                                    "702001 澄川全球消费精选混合人民币C 2022-09-30 8\n";
    for (const Line& line : c.expected_by_ratio())
        expected += line[0] + "\t" + line[1] + "\t" + line[2] + "\n";
    EXPECT_EQ(parsed.out, expected + "[] False\n");
}

}  // namespace
}  // namespace qinghe
