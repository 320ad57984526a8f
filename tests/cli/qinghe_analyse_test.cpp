// qinghe-analyse run as a separate process against a local page server:
// exit statuses, the codes named on standard error with their reasons,
// one record per output line, the same output for every download setting,
// and bad usage that fetches nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "analyse_program_fixture.h"

namespace qinghe {
namespace {

using namespace analyse_testing;

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
    const std::vector<std::vector<std::string>> settings = {{},
                                                            {"--parallel", "2"},
                                                            {"--parallel", "4"},
                                                            {"--parallel", "8"},
                                                            {"--parallel", ""},
                                                            {"--parallel", "0"},
                                                            {"--parallel", "-3"},
                                                            {"--parallel", "99"},
                                                            {"--parallel", "abc"},
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

    // Nobody listens on port 1 of the loopback address: nothing is received
    // (and 702001 was never read, so the history has nothing either).
    r = run({"--base-url", "http://127.0.0.1:1/", "702001"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'702001' (download failed)\n"), std::string::npos) << r.err;
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
