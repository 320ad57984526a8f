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
#include "support/page_server.h"
#include "support/temp_directory.h"

extern char** environ;

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::PageServer;
using testing_support::read_whole_file;
using testing_support::TempDirectory;

const std::string kPages = QINGHE_SHARED_FIXTURE_DIR "/fund-pages/";

struct Outcome {
    int status = -1;
    std::string out, err;
};

using Line = std::vector<std::string>;  // name, ratio, occurrences, link

// The expected merge of 160127 and 006309, largest ratio first: every
// stock appears once, the ratio as the float text rule writes it.
const std::vector<Line>& expected_by_ratio() {
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

    PageServer server_{{{"/160127.html", read_whole_file(kPages + "160127.html")},
                        {"/006309.html", read_whole_file(kPages + "006309.html")}}};
    TempDirectory temp_;
    std::string binary_;
};

TEST_F(AnalyseProgramTest, TwoFundsPrintTheMergedListByRatio) {
    Outcome r = run({"--base-url", server_.base_url(), "160127", "006309"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(parse_lines(r.out), expected_by_ratio());

    // The dump file beside the binary holds the section of the last page;
    // the caller's directory stays empty.
    EXPECT_EQ(read_whole_file(program_dir() + "/333.txt"),
              section_of(read_whole_file(kPages + "006309.html")));
    EXPECT_TRUE(fs::is_empty(caller_dir()));
}

TEST_F(AnalyseProgramTest, SortByCountKeepsEveryLineWithCountsDescending) {
    Outcome r = run({"--sort", "count", "--base-url", server_.base_url(), "006309", "160127"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<Line> lines = parse_lines(r.out);
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_GE(std::stoi(lines[i - 1].at(2)), std::stoi(lines[i].at(2)));
    std::vector<Line> expected = expected_by_ratio();
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(read_whole_file(program_dir() + "/333.txt"),
              section_of(read_whole_file(kPages + "160127.html")));
}

TEST_F(AnalyseProgramTest, CodesNotReadAreNamedAndGiveStatusOne) {
    struct Case {
        const char* code;
        const char* why;
    };
    const Case cases[] = {
        {"999999", "no such page"},
        {"16012", "five bytes"},
        {"1601277", "seven bytes"},
        {"青禾", "two Chinese characters are four GBK bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Outcome r = run({"--base-url", server_.base_url(), "160127", c.code});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("'") + c.code + "'"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("'160127'"), std::string::npos) << r.err;
        EXPECT_EQ(parse_lines(r.out).size(), 10u);
    }
}

TEST_F(AnalyseProgramTest, EachCodeNotReadIsNamedWithItsReasonInArgumentOrder) {
    PageServer server({{"/160127.html", read_whole_file(kPages + "160127.html")},
                       {"/777777.html", "<html><body>暂无数据</body></html>"}});
    Outcome r = run({"--base-url", server.base_url(), "777777", "160127", "16012", "006309 "});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'777777' (no holdings)\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'16012' (not six bytes)\n"), std::string::npos) << r.err;
    EXPECT_LT(r.err.find("'16012'"), r.err.find("'006309 ' (not six bytes)\n")) << r.err;
    EXPECT_LT(r.err.find("'777777'"), r.err.find("'16012'")) << r.err;

    // Nobody listens on port 1 of the loopback address: nothing is received.
    r = run({"--base-url", "http://127.0.0.1:1/", "160127"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'160127' (download failed)\n"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

// A stock name holding control characters (the title attribute can) stays
// one record of four fields: each control character becomes one blank.
TEST_F(AnalyseProgramTest, TsvOutputStaysOneRecordPerLine) {
    const std::string rows =
        "<a href=\"/a\" title=\"Tab\there\">x</a><td>3%</td>"
        "<a href=\"/b\" title=\"Line\nfeed\r\nand\x7f\x01\">x</a><td>2%</td>"
        "<a href=\"/c\" title=\"plain\">x</a><td>1%</td>";
    PageServer server({{"/100001.html", "<html>持仓占比" + rows + "持仓截止日期:</html>"}});
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
        {"--sort", "name", "--base-url", base, "160127"},
        {"--base-url", base, "160127", "--sort"},
        {"--base-url", base.substr(0, base.size() - 1), "160127"},
        {"--base-url", "ftp://127.0.0.1/", "160127"},
        {"--verbose", "--base-url", base, "160127"},
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
