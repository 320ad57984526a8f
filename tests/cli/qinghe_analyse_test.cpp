// qinghe-analyse run as a separate process against a local page server:
// exit statuses, the codes named on standard error with their reasons,
// one record per output line, the same output for every download setting,
// bad usage that fetches nothing, and a page cut by the time-out.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
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
    const std::vector<std::vector<std::string>> settings = {
        {}, {"--parallel", "2"}, {"--parallel", "4"}, {"--parallel", "8"}};
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
                           {"/704001.html", generated_page(fund_code::no_holdings)},
                           {mobile_target("703009"),
                            R"({"Datas":null,"ErrCode":5,"Success":false,"ErrMsg":"系统繁忙"})"}});
    set_sources(every_host_at(server.base_url()));
    Outcome r =
        run({"--base-url", server.base_url(), "704001", "701001", "70100", "702001 ", "703009"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'704001' (no holdings)\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'703009' (站点繁忙: mobile: failure (ErrCode 5) 系统繁忙)\n"),
              std::string::npos)
        << r.err;
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

// A server that sends the page and then trickles on, fast enough for the
// slow-transfer rule, past the time-out: the part received, holdings and
// all, is a failed download, never a page.
TEST_F(AnalyseProgramTest, PageCutByTheTimeOutIsAFailedDownload) {
    const std::string page = generated_page(fund_code::demo);
    LoopbackServer server([&](testing::Connection& c) {
        if (c.target() != std::string("/") + fund_code::demo + ".html") {
            c.send(testing::http_response("200 OK", generated_page(fund_code::foreign)));
            return;
        }
        const std::string announced = std::to_string(page.size() + 1000000);
        if (!c.send("HTTP/1.0 200 OK\r\nContent-Length: " + announced + "\r\n\r\n" + page)) return;
        const std::string drip(256, ' ');  // 2 KB a second for a minute
        for (int i = 0; i < 480 && c.send(drip); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(125));
    });
    const auto start = std::chrono::steady_clock::now();
    Outcome r = run(
        {"--base-url", server.base_url(), "--timeout", "5", fund_code::demo, fund_code::foreign});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(40));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(std::string("'") + fund_code::demo + "' (应答不全: page: cut short)\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(parse_lines(r.out).size(), 8u) << "the linked rows of the other fund";
}

// Every option value is checked before anything is fetched: one line names
// the option, the value and what is allowed, then points to --help.
TEST_F(AnalyseProgramTest, BadUsageGivesStatusTwoNamesTheArgumentAndFetchesNothing) {
    std::atomic<int> requests = 0;
    server_.on_request([&requests](const std::string&) { ++requests; });
    const std::string base = server_.base_url(), code = fund_code::demo;
    const std::string slashless = base.substr(0, base.size() - 1);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--base-url", base}, "no fund code given"},
        {{"--sort", "name", code}, "--sort 'name' is not allowed: use ratio, count or exposure"},
        {{code, "--sort"}, "--sort needs a value: ratio, count or exposure"},
        {{"--format", "xml", code}, "--format 'xml' is not allowed: use tsv, csv or json"},
        {{"--base-url", slashless, code},
         "--base-url '" + slashless + "' is not allowed: use an http or https URL ending in '/'"},
        {{"--base-url", "ftp://127.0.0.1/", code}, "--base-url 'ftp://127.0.0.1/'"},
        {{"--parallel", "4x", code},
         "--parallel '4x' is not allowed: use a whole number from 1 to 8"},
        {{"--parallel", "0", code}, "--parallel '0'"},
        {{"--parallel", "9", code}, "--parallel '9'"},
        {{"--parallel", "-1", code}, "--parallel '-1'"},
        {{"--parallel", "3.5", code}, "--parallel '3.5'"},
        {{"--parallel", "", code}, "--parallel ''"},
        {{"--parallel", "+4", code}, "--parallel '+4'"},
        {{"--parallel", "99999999999999999999", code}, "--parallel '99999999999999999999'"},
        {{"--timeout", "4", code},
         "--timeout '4' is not allowed: use a whole number of seconds from 5 to 600"},
        {{"--timeout", "601", code}, "--timeout '601'"},
        {{"--timeout", "30s", code}, "--timeout '30s'"},
        {{"--output", "", code}, "--output '' is not allowed: use a file name"},
        {{"--verbose", code}, "unknown option '--verbose'"},
        {{"--source", "page,nope", code}, "--source 'page,nope' is not allowed: use page, archive"},
        {{"--source", ",", code}, "--source ','"},
        {{"--archive-url", "ftp://127.0.0.1/", code}, "--archive-url 'ftp://127.0.0.1/'"},
        {{"--mobile-url", slashless, code}, "--mobile-url '" + slashless + "'"},
        {{"--url", "quote", code}, "--url 'quote' is not allowed: use NAME=BASE: NAME one of page"},
        {{"--url", "stock=" + base, code}, "--url 'stock=" + base + "'"},
        {{"--url", "quote2=" + slashless, code}, "--url 'quote2=" + slashless + "'"},
        {{"--today", "--check", code}, "--today and --check cannot go together"},
        {{"--today", "--sort", "count", code}, "--today and --sort cannot go together"},
        {{"--today", "--accuracy", code}, "--today and --accuracy cannot go together"},
        {{"--check", code, fund_code::foreign}, "--check takes one code and no other codes"},
        {{"--check", "12345"}, "--check '12345' is not allowed: use a fund code of six digits"},
        {{"--check", "abcdef"}, "--check 'abcdef'"},
        {{"--check", "../../x"}, "--check '../../x'"},
        {{"--check", "701001=100"}, "--check '701001=100'"},
        {{"--history", "12345"}, "--history '12345' is not allowed: use fund codes of six digits"},
        {{"--history", code, "abcdef"}, "--history 'abcdef'"},
        {{"--check", code, "--history"}, "--check and --history cannot go together"},
        {{"--offline", "--check", code}, "--check and --offline cannot go together"},
        {{"--check", code, "--overlap"}, "--check and --overlap cannot go together"},
        {{"--check", code, "--sort", "count"}, "--check and --sort cannot go together"},
        {{"--check", code, "--format", "csv"}, "--check and --format csv cannot go together"},
        {{"--history", "--overlap"}, "--history and --overlap cannot go together"},
        {{"--history", "--offline", code}, "--history and --offline cannot go together"},
        {{"--history", "--sort", "ratio"}, "--history and --sort cannot go together"},
        {{"--overlap", "--sort", "count", code, fund_code::foreign},
         "--overlap and --sort cannot go together"},
    };
    for (const auto& [args, named] : cases) {
        std::vector<std::string> with_site = args;
        if (args[0] != "--base-url") with_site.insert(with_site.begin(), {"--base-url", base});
        Outcome r = run(with_site);
        EXPECT_EQ(r.status, 2) << named;
        EXPECT_TRUE(r.err.starts_with("qinghe-analyse: ") &&
                    r.err.ends_with("\n(see qinghe-analyse --help)\n") &&
                    std::count(r.err.begin(), r.err.end(), '\n') == 2)
            << r.err;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    Outcome bare = run({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("usage:"), std::string::npos);
    EXPECT_EQ(requests, 0);
    EXPECT_FALSE(fs::exists(program_dir() + "/333.txt"));
}

// --check asks every source, in the order given, and says what each gave.
TEST_F(AnalyseProgramTest, CheckPrintsALinePerSourceAndSucceedsWhenOneGaveRows) {
    LoopbackServer site(generated_site({fund_code::archive_only}));
    const std::string base = site.base_url();
    const std::vector<std::string> urls = {"--base-url", base,           "--archive-url",
                                           base,         "--mobile-url", base};
    auto check = [&](const std::string& code, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"--check", code};
        args.insert(args.end(), urls.begin(), urls.end());
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    };
    Outcome r = check(fund_code::archive_only);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> starts = {
        "page: " + base + "706001.html: status 200, ",
        "archive: " + base.substr(0, base.size() - 1) + archive_target("706001") + ": status 200, ",
        "mobile: " + base.substr(0, base.size() - 1) + mobile_target("706001") + ": status 200, "};
    const std::vector<std::string> details = {
        "utf-8, 0 rows, no date, ", "utf-8, 10 rows, 2022-09-30, ", "utf-8, 0 rows, no date, "};
    const std::vector<std::string> ends = {" ms: no box", " ms",
                                           " ms: failure (ErrCode 61) 无效的基金代码"};
    std::vector<std::string> lines;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines[i].starts_with(starts[i])) << lines[i];
        EXPECT_NE(lines[i].find(details[i]), std::string::npos) << lines[i];
        EXPECT_TRUE(lines[i].ends_with(ends[i])) << lines[i];
    }
    // Then each quote source, asked for the stocks of the rows, here at a
    // server that knows no quote.
    const std::string quote_base = server_.base_url();
    EXPECT_TRUE(lines[3].starts_with("quote: " + quote_base + "api/qt/ulist.np/get?")) << lines[3];
    EXPECT_TRUE(lines[4].starts_with("quote2: " + quote_base + "api/qt/ulist.np/get?")) << lines[4];
    EXPECT_TRUE(lines[5].starts_with("tencent: " + quote_base + "q=")) << lines[5];
    for (size_t i = 3; i < 6; ++i)
        EXPECT_TRUE(lines[i].ends_with(", 1 requests, 0 of 10 quoted: status 404")) << lines[i];
    // To a file, and as JSON: one object per source, in the order asked.
    r = check(fund_code::archive_only, {"--format", "json", "--output", "check.json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    const std::string json = read_whole_file(caller_dir() + "/check.json");
    EXPECT_TRUE(json.starts_with("[\n  {\"source\": \"page\", \"url\": \"" + base +
                                 "706001.html\", "
                                 "\"status\": 200, "))
        << json;
    EXPECT_NE(json.find("\"charset\": \"utf-8\", \"rows\": 10, \"dropped\": 0, "
                        "\"report_date\": \"2022-09-30\", \"ms\": "),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"reason\": \"failure (ErrCode 61) 无效的基金代码\"}"), std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"source\": \"tencent\", \"url\": \"" + quote_base + "q="),
              std::string::npos)
        << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 8);
    r = check("999999", {"--source", "mobile,档案"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.starts_with("mobile: ")) << r.out;
    EXPECT_NE(r.out.find("\narchive: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(": status 404"), std::string::npos) << r.out;
}

// With --source the page is never asked for; the archive gives its rows.
TEST_F(AnalyseProgramTest, SourceOptionChoosesWhatIsAskedAndInWhichOrder) {
    LoopbackServer site(generated_site({fund_code::demo}));
    std::atomic<int> page_requests = 0;
    site.on_request([&](const std::string& path) { page_requests += path.ends_with(".html"); });
    const std::string base = site.base_url();
    Outcome archive = run({"--source", "档案,page", "--base-url", base, "--archive-url", base,
                           fund_code::demo, "--format", "json"});
    EXPECT_EQ(archive.status, 0) << archive.err;
    EXPECT_EQ(page_requests, 0);
    EXPECT_NE(archive.out.find(R"("source": "archive")"), std::string::npos) << archive.out;
    Outcome page = run({"--base-url", base, fund_code::demo});
    EXPECT_EQ(page_requests, 1);
    Outcome archive_tsv =
        run({"--source", "archive", "--archive-url", base, "--base-url", base, fund_code::demo});
    EXPECT_EQ(archive_tsv.out, page.out) << "the same rows and links, in the same order";
}

}  // namespace
}  // namespace qinghe
