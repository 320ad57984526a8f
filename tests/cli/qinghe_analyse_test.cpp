// qinghe-analyse run as a separate process against a local page server:
// the printed list, the sort keys, exit statuses, the codes named on
// standard error, the dump file beside the binary and the caller's
// working directory left alone.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "support/fund_pages.h"
#include "support/page_server.h"
#include "support/temp_directory.h"

extern char** environ;

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::PageServer;
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
    Outcome run(const std::vector<std::string>& args) const {
        std::vector<char*> argv{const_cast<char*>(binary_.c_str())};
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
        if (posix_spawn(&pid, binary_.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = read_whole_file(out_file);
        result.err = read_whole_file(err_file);
        return result;
    }

    PageServer server_{served_pages()};
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
