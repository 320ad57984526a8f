// qinghe-analyse run as a separate process against a local page server:
// the printed list, the sort keys, exit statuses, the codes named on
// standard error, the dump file beside the binary and the caller's
// working directory left alone.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "support/fund_pages.h"
#include "support/loopback_server.h"
#include "support/temp_directory.h"

extern char** environ;

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::LoopbackServer;
using namespace testing_support;
using testing_support::TempDirectory;

struct Outcome {
    int status = -1;
    std::string out, err;
};

using Line = std::vector<std::string>;  // name, ratio, occurrences, link

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
            out.push_back({row[0], row[1], row[2], std::string("http://quote.example.com/r/") + row[3]});
        return out;
    }();
    return lines;
}

// The same for the saved real pages 160127 and 006309: every stock once.
const std::vector<Line>& expected_real_by_ratio() {
    static const std::vector<Line> lines = [] {
        const std::pair<const char*, const char*> rows[] = {
            {"泸州老窖", "9.66"}, {"贵州茅台", "9.17"}, {"山西汾酒", "9.06"},
            {"亚马逊", "6.22"},   {"美团-W", "5.59"},   {"古井贡酒", "5.22"},
            {"伊利股份", "5.12"}, {"李宁", "4.18"},     {"特斯拉", "3.76"},
            {"安井食品", "3.33"}, {"国联股份", "3.27"}, {"家得宝", "3.04"},
            {"lululemon athletica inc", "2.9"},         {"洋河股份", "2.85"},
            {"开市客", "2.59"},   {"宝洁", "2.58"},     {"耐克", "2.54"},
            {"福耀玻璃", "2.29"},
        };
        const char* links[] = {"0.000568", "1.600519", "1.600809", "105.AMZN", "116.03690",
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

std::vector<Line> parse_lines(const std::string& out) {
    std::vector<Line> lines;
    std::istringstream in(out);
    for (std::string text; std::getline(in, text);) {
        Line fields;
        std::istringstream cells(text);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        lines.push_back(fields);
    }
    return lines;
}

// The section of a page the collector cuts out, converted to GBK.
std::string section_of(const std::string& page) {
    const std::string start = "持仓占比", end = "持仓截止日期:";
    const size_t from = page.find(start) + start.size();
    return platform::gbk_from_utf8(page.substr(from, page.find(end, from) - from));
}

// A page by code: generated, or saved real where real is set.
std::string page(const std::string& code, bool real) {
    return real ? read_whole_file(real_page_path(code)) : generated_page(code);
}

// The generated demo and foreign funds, and the saved real pages where they exist.
std::map<std::string, std::string> served_pages() {
    std::map<std::string, std::string> pages;
    for (const char* code : {fund_code::demo, fund_code::foreign})
        pages["/" + std::string(code) + ".html"] = page(code, false);
    for (const char* code : {"160127", "006309"})
        if (!real_page_path(code).empty()) pages["/" + std::string(code) + ".html"] = page(code, true);
    return pages;
}

class AnalyseProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(program_dir());
        fs::create_directories(caller_dir());
        binary_ = program_dir() + "/qinghe-analyse";
        fs::copy_file(QINGHE_ANALYSE_BINARY, binary_);
    }

    std::string program_dir() const { return temp_.file("program"); }
    std::string caller_dir() const { return temp_.file("caller"); }

    // Runs the copied binary from the caller directory, output to files.
    Outcome run(const std::vector<std::string>& args) const { return run_program(binary_, args); }

    Outcome run_program(const std::string& program, const std::vector<std::string>& args) const {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const std::string out_file = temp_.file("stdout"), err_file = temp_.file("stderr");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, caller_dir().c_str());
        posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        Outcome result;
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = read_whole_file(out_file);
        result.err = read_whole_file(err_file);
        return result;
    }

    LoopbackServer server_{served_pages()};
    TempDirectory temp_;
    std::string binary_;
};

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
    ::testing::Values(TwoFunds{"Generated", false, fund_code::demo, fund_code::foreign, expected_by_ratio},
                      TwoFunds{"Real", true, "160127", "006309", expected_real_by_ratio}),
    [](const ::testing::TestParamInfo<TwoFunds>& info) { return std::string(info.param.name); });

TEST_F(AnalyseProgramTest, CodesNotReadAreNamedAndGiveStatusOne) {
    struct Case {
        const char* code;
        const char* why;
    };
    const Case cases[] = {
        {"999999", "no such page"},
        {"70100", "five bytes"},
        {"7010011", "seven bytes"},
        {"青禾", "two Chinese characters are four GBK bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Outcome r = run({"--base-url", server_.base_url(), fund_code::demo, c.code});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("'") + c.code + "'"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(std::string("'") + fund_code::demo + "'"), std::string::npos) << r.err;
        EXPECT_EQ(parse_lines(r.out).size(), 10u);
    }
}

// Error pages hold the same markup as fund pages: the status, not the body,
// decides that they are no page.
TEST_F(AnalyseProgramTest, ErrorStatusIsNotAPage) {
    LoopbackServer server(
        {{std::string("/") + fund_code::demo + ".html", generated_page(fund_code::demo)},
         {"/404404.html", generated_page(fund_code::foreign)},
         {"/500500.html", generated_page(fund_code::foreign)}});
    server.answer_with_status("/404404.html", "404 Not Found");
    server.answer_with_status("/500500.html", "500 Internal Server Error");
    Outcome r = run({"--base-url", server.base_url(), fund_code::demo, "404404", "500500"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'404404'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'500500'"), std::string::npos) << r.err;
    EXPECT_EQ(parse_lines(r.out).size(), 10u);
    EXPECT_EQ(read_whole_file(program_dir() + "/333.txt"), "") << "the last code gave no section";
}

// Downloading ahead changes nothing that can be seen: output, progress
// order, dump file and status are the same for every setting.
TEST_F(AnalyseProgramTest, ParallelDownloadsGiveIdenticalOutput) {
    const std::vector<std::string> codes = {fund_code::demo, "999999", fund_code::foreign, "16012",
                                            fund_code::demo, "999998", fund_code::foreign};
    auto run_with = [&](const std::vector<std::string>& options) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"--base-url", server_.base_url()});
        args.insert(args.end(), codes.begin(), codes.end());
        Outcome r = run(args);
        return std::make_pair(r, read_whole_file(program_dir() + "/333.txt"));
    };
    const auto [one, one_dump] = run_with({"--parallel", "1"});
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(parse_lines(one.out).size(), 17u);
    const std::vector<std::vector<std::string>> settings = {
        {}, {"--parallel", "2"}, {"--parallel", "4"}, {"--parallel", "8"}, {"--parallel", ""},
        {"--parallel", "0"}, {"--parallel", "-3"}, {"--parallel", "99"}, {"--parallel", "abc"},
        {"--parallel", "99999999999999999999"}};
    for (const std::vector<std::string>& options : settings) {
        SCOPED_TRACE(::testing::PrintToString(options));
        const auto [other, other_dump] = run_with(options);
        EXPECT_EQ(other.status, one.status);
        EXPECT_EQ(other.out, one.out);
        EXPECT_EQ(other.err, one.err);
        EXPECT_EQ(other_dump, one_dump);
    }
}

TEST_F(AnalyseProgramTest, EachCodeNotReadIsNamedWithItsReasonInArgumentOrder) {
    LoopbackServer server({{"/701001.html", generated_page(fund_code::demo)},
                           {"/704001.html", generated_page(fund_code::no_holdings)}});
    Outcome r = run({"--base-url", server.base_url(), "704001", "701001", "70100", "702001 "});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'704001' (no holdings)\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'70100' (not six bytes)\n"), std::string::npos) << r.err;
    EXPECT_LT(r.err.find("'70100'"), r.err.find("'702001 ' (not six bytes)\n")) << r.err;
    EXPECT_LT(r.err.find("'704001'"), r.err.find("'70100'")) << r.err;

    // Nobody listens on port 1 of the loopback address: nothing is received.
    r = run({"--base-url", "http://127.0.0.1:1/", "701001"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'701001' (download failed)\n"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

// A stock name holding control characters (the title attribute can) stays
// one record of four fields: each control character becomes one blank.
TEST_F(AnalyseProgramTest, TsvOutputStaysOneRecordPerLine) {
    const std::string rows =
        "<a href=\"/a\" title=\"Tab\there\">x</a><td>3%</td>"
        "<a href=\"/b\" title=\"Line\nfeed\r\nand\x7f\x01\">x</a><td>2%</td>"
        "<a href=\"/c\" title=\"plain\">x</a><td>1%</td>";
    LoopbackServer server({{"/100001.html", "<html>持仓占比" + rows + "持仓截止日期:</html>"}});
    Outcome r = run({"--base-url", server.base_url(), "100001"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string base = server.base_url();
    EXPECT_EQ(r.out, "Tab here\t3\t1\t" + base + "a\nLine feed  and  \t2\t1\t" + base +
                         "b\nplain\t1\t1\t" + base + "c\n");
}

TEST_F(AnalyseProgramTest, BadUsageGivesStatusTwoAndFetchesNothing) {
    std::atomic<int> requests = 0;
    server_.on_request([&requests](const std::string&) { ++requests; });
    const std::string base = server_.base_url();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--base-url", base},
        {"--sort", "name", "--base-url", base, fund_code::demo},
        {"--base-url", base, fund_code::demo, "--sort"},
        {"--base-url", base.substr(0, base.size() - 1), fund_code::demo},
        {"--base-url", "ftp://127.0.0.1/", fund_code::demo},
        {"--verbose", "--base-url", base, fund_code::demo},
    };
    for (const auto& args : cases) {
        Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(requests, 0);
    EXPECT_FALSE(fs::exists(program_dir() + "/333.txt"));
}

}  // namespace
}  // namespace qinghe

namespace qinghe {
namespace {

// Small pages of our own: a title with the code, a report date, rows.
std::string fund_page(const std::string& code, const std::string& name, const std::string& date,
                      const std::vector<std::pair<std::string, std::string>>& rows) {
    std::string page = "<html><head><title>" + name + "(" + code + ")基金净值</title></head><body>持仓占比";
    for (const auto& [stock, ratio] : rows)
        page += "<tr><td><a href=\"/s/" + ratio + "\" title=\"" + stock + "\">x</a></td>"
                "<td class=\"alignRight bold\">" + ratio + "%</td></tr>";
    return page + "持仓截止日期: " + date + "</body></html>";
}

class LookThroughProgramTest : public AnalyseProgramTest {
protected:
    // Runs python3 (never a shell) on `script` with `file` as its argument.
    Outcome python(const std::string& script, const std::string& file) const {
        return run_program("/usr/bin/python3", {"-c", script, file});
    }

    LoopbackServer own_{{
        {"/100001.html", fund_page("100001", "示例成长A", "2022-09-30",
                                   {{"泸州老窖", "10"}, {"Comma, Inc", "4"}, {"Tab\tLine\nBreak", "2"}})},
        {"/100002.html", fund_page("100002", "示例成长C", "2022-09-30",
                                   {{"泸州老窖", "10"}, {"Comma, Inc", "4"}, {"Tab\tLine\nBreak", "2"}})},
        {"/100003.html", fund_page("100003", "示例价值", "2022-06-30", {{"泸州老窖", "5"}, {"Other", "3"}})},
        {"/100004.html", "<html><title>bad \xff\xfe(100004)</title>持仓占比<a href=\"/z\" "
                         "title=\"\xff\xfe name\">z</a><td>1%</td>持仓截止日期:</html>"},
    }};
};

TEST_F(LookThroughProgramTest, BadAmountsGiveStatusTwoNamingTheArgumentAndFetchNothing) {
    std::atomic<int> requests = 0;
    server_.on_request([&requests](const std::string&) { ++requests; });
    const std::string base = server_.base_url();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"160127="}, "'160127='"},
        {{"160127=abc"}, "'160127=abc'"},
        {{"160127=-5"}, "'160127=-5'"},
        {{"160127=1e400"}, "'160127=1e400'"},
        {{"=5000"}, "'=5000'"},
        {{"160127=20000", "006309"}, "'006309'"},
        {{"160127", "006309=1"}, "'160127'"},
        {{"--sort", "exposure", "160127"}, "--sort exposure"},
    };
    for (const auto& [codes, named] : cases) {
        std::vector<std::string> args = {"--base-url", base};
        args.insert(args.end(), codes.begin(), codes.end());
        Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << named;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(requests, 0);
}

TEST_F(LookThroughProgramTest, ExposureColumnMatchesAHandComputation) {
    Outcome r = run({"--base-url", server_.base_url(), "701001=20000", "702001=10000", "--sort", "exposure"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<Line> lines = parse_lines(r.out);
    ASSERT_EQ(lines.size(), 17u);
    // Σ (amount × ratio) / Σ amounts with Σ amounts = 30000, largest first.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"岚溪酒业", "6.27"},    // 20000 × 9.41 / 30000 = 6.2733
        {"澄岫食品", "5.91"},    // 20000 × 8.87 / 30000 = 5.9133
        {"杉屿服饰-W", "5.56"},  // (20000 × 5.48 + 10000 × 5.73) / 30000 = 5.5633
        {"霁川乳业", "5.28"},    // 20000 × 7.92 / 30000
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i].at(0), expected[i].first);
        EXPECT_EQ(lines[i].at(4), expected[i].second);
    }
    for (const Line& line : lines) {
        ASSERT_EQ(line.size(), 5u);
        if (line[0] == "Quillfield Outfitters Inc") EXPECT_EQ(line[4], "2.28");  // 10000 × 6.84 / 30000
        if (line[0] == "Kestrel Athletic") EXPECT_EQ(line[4], "0.85");  // 10000 × 2.55 / 30000 = 0.85
    }
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_GE(std::stod(lines[i - 1][4]), std::stod(lines[i][4]));

    // A stock two funds share: (30000 × 10 + 10000 × 5) / 40000 = 8.75.
    r = run({"--base-url", own_.base_url(), "100001=30000", "100003=10000"});
    EXPECT_EQ(parse_lines(r.out).at(0), (Line{"泸州老窖", "15", "2", own_.base_url() + "s/10", "8.75"}));
}

TEST_F(LookThroughProgramTest, CsvReadsBackWithPythonsCsvModule) {
    const std::string file = temp_.file("out.csv");
    Outcome r = run({"--base-url", own_.base_url(), "--format", "csv", "--output", file, "100001", "100003"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    const std::string csv = read_whole_file(file);
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
    Outcome parsed = python(
        "import csv,sys\n"
        "rows = list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')))\n"
        "for row in rows: print(repr(row))\n",
        file);
    EXPECT_EQ(parsed.status, 0) << parsed.err;
    const std::string base = own_.base_url();
    EXPECT_EQ(parsed.out,
              "['股票名称', '持仓比例', '出现次数', '链接']\n"
              "['泸州老窖', '15', '2', '" + base + "s/10']\n"
              "['Comma, Inc', '4', '1', '" + base + "s/4']\n"
              "['Other', '3', '1', '" + base + "s/3']\n"
              "['Tab\\tLine\\nBreak', '2', '1', '" + base + "s/2']\n");
    for (const auto& entry : fs::directory_iterator(temp_.path()))  // no temporary file left
        EXPECT_EQ(entry.path().filename().string().rfind(".out.csv", 0), std::string::npos);
}

TEST_F(LookThroughProgramTest, JsonListsFundsStocksTheirHoldersPairsAndDifferingDates) {
    const std::string file = temp_.file("out.json");
    Outcome r = run({"--base-url", own_.base_url(), "--format", "json", "--output", file, "100001=1000",
                     "100002=1000", "100003=2000", "100004=1", "999999=1", "12345=1"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("'100001' and '100002' hold the same top ten"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("report dates differ: 2022-06-30, 2022-09-30"), std::string::npos) << r.err;
    Outcome parsed = python(
        "import json,sys\n"
        "d = json.load(open(sys.argv[1], encoding='utf-8', errors='strict'))\n"
        "for f in d['funds']: print(f['code'], f['name'], f['report_date'], f['outcome'], f['rows'], f['amount'])\n"
        "for s in d['stocks']:\n"
        "    print(repr(s['name']), s['ratio'], s['occurrences'], s['exposure'],\n"
        "          ' '.join('%s:%s' % (h['code'], h['ratio']) for h in s['funds']))\n"
        "print(d['same_holdings'], d['note'])\n",
        file);
    EXPECT_EQ(parsed.status, 0) << parsed.err;
    EXPECT_EQ(parsed.out,
              "100001 示例成长A 2022-09-30 read 3 1000.0\n"
              "100002 示例成长C 2022-09-30 read 3 1000.0\n"
              "100003 示例价值 2022-06-30 read 2 2000.0\n"
              "100004 bad ?? None read 1 1.0\n"  // bytes that are not UTF-8 arrive as '?'
              "999999 None None download_failed 0 1.0\n"
              "12345 None None not_six_bytes 0 1.0\n"
              // Σ amounts = 4003; 泸州老窖 (1000 × 10 + 1000 × 10 + 2000 × 5) / 4003 = 7.494
              "'泸州老窖' 25 3 7.49 100001:10 100002:10 100003:5\n"
              "'Comma, Inc' 8 2 2.0 100001:4 100002:4\n"         // 8000 / 4003 = 1.998
              "'Tab\\tLine\\nBreak' 4 2 1.0 100001:2 100002:2\n"  // 4000 / 4003
              "'Other' 3 1 1.5 100003:3\n"                        // 6000 / 4003 = 1.499
              "'?? name' 1 1 0.0 100004:1\n"
              "[['100001', '100002']] report dates differ: 2022-06-30, 2022-09-30\n");
}

// The JSON of two funds: names and report dates from the pages, each
// stock's funds summing to its ratio, the same list as the TSV.
TEST_P(TwoFundsTest, JsonListsBothFundsAndMatchesTheTsvList) {
    const TwoFunds& c = GetParam();
    if (c.real) SKIP_WITHOUT_REAL_FUND_PAGES();
    const std::string file = temp_.file("two.json");
    Outcome r = run({"--base-url", server_.base_url(), "--format", "json", "--output", file, c.first, c.second});
    EXPECT_EQ(r.status, 0) << r.err;
    Outcome parsed = run_program("/usr/bin/python3", {"-c",
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
    for (const Line& line : c.expected_by_ratio()) expected += line[0] + "\t" + line[1] + "\t" + line[2] + "\n";
    EXPECT_EQ(parsed.out, expected + "[] False\n");
}

TEST_F(LookThroughProgramTest, ShareClassesWithTheSameTopTenAreNamedAndMarked) {
    LoopbackServer server({{"/701001.html", generated_page(fund_code::demo)},
                           {"/701002.html", generated_page(fund_code::demo_class_c)},
                           {"/705001.html", generated_page(fund_code::older_report)}});
    Outcome r = run({"--base-url", server.base_url(), "--format", "json", "701001", "705001", "701002"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("'701001' and '701002' hold the same top ten"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"same_holdings\": [\n    [\"701001\", \"701002\"]\n  ]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"note\": \"report dates differ: 2022-06-30, 2022-09-30\""), std::string::npos);
}

TEST_F(LookThroughProgramTest, OutputIntoAFolderThatCannotTakeItIsStatusTwoAndLeavesNothing) {
    std::atomic<int> requests = 0;
    own_.on_request([&requests](const std::string&) { ++requests; });
    const std::string read_only = temp_.file("read-only");
    fs::create_directories(read_only);
    fs::permissions(read_only, fs::perms::owner_read | fs::perms::owner_exec);
    std::vector<std::string> targets = {temp_.file("missing/out.csv")};
    if (::geteuid() != 0) targets.push_back(read_only + "/out.csv");  // root may write anyway
    for (const std::string& target : targets) {
        Outcome r = run({"--base-url", own_.base_url(), "--output", target, "100001"});
        EXPECT_EQ(r.status, 2) << target;
        EXPECT_NE(r.err.find("cannot write '" + target + "'"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_TRUE(fs::is_empty(read_only));
    EXPECT_EQ(requests, 0);
    fs::permissions(read_only, fs::perms::owner_all);
}

TEST_F(LookThroughProgramTest, HelpDescribesEveryOptionAndVersionPrintsIt) {
    Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--base-url", "--sort ratio", "--sort count", "--sort exposure", "--format tsv",
                               "--format csv", "--format json", "--output FILE", "--version", "CODE=AMOUNT",
                               "Example:"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("qinghe-analyse ") && version.out.size() > 16) << version.out;
}

}  // namespace
}  // namespace qinghe
