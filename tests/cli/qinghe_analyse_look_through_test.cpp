// qinghe-analyse with amounts per fund (the look-through exposure), the
// CSV and JSON formats read back by Python, share classes with the same
// top ten, and --help and --version.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "look_through_fixture.h"

namespace qinghe {
namespace {

using namespace analyse_testing;

TEST_F(LookThroughProgramTest, BadAmountsGiveStatusTwoNamingTheArgumentAndFetchNothing) {
    std::atomic<int> requests = 0;
    server_.on_request([&requests](const std::string&) { ++requests; });
    const std::string base = server_.base_url();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"160127="}, "'160127='"},
        {{"160127=abc"}, "'160127=abc'"},
        {{"160127=-5"}, "'160127=-5'"},
        {{"160127=1e400"}, "'160127=1e400'"},
        {{"701001=1e308", "702001=1e308"}, "'701001=1e308'"},
        {{"160127=1.000001e15"}, "up to 1e15"},
        {{"=5000"}, "'=5000'"},
        {{"160127=20000", "006309"}, "'006309'"},
        {{"160127", "006309=1"}, "'160127'"},
        {{"--sort", "exposure", "160127"}, "--sort exposure"},
        {{"--overlap", "160127=1", "006309=1"}, "--overlap"},
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
    Outcome r = run(
        {"--base-url", server_.base_url(), "701001=20000", "702001=10000", "--sort", "exposure"});
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
    // Then the money in yuan, Σ amount × ratio / 100.
    EXPECT_EQ(lines[0].at(5), "1882.00");  // 20000 × 9.41 / 100
    EXPECT_EQ(lines[2].at(5), "1669.00");  // 20000 × 5.48 / 100 + 10000 × 5.73 / 100
    for (const Line& line : lines) {
        ASSERT_EQ(line.size(), 6u);
        if (line[0] == "Quillfield Outfitters Inc") {
            EXPECT_EQ(line[4], "2.28");  // 10000 × 6.84 / 30000
        }
        if (line[0] == "Kestrel Athletic") {
            EXPECT_EQ(line[4], "0.85");  // 10000 × 2.55 / 30000 = 0.85
            EXPECT_EQ(line[5], "255.00");
        }
    }
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_GE(std::stod(lines[i - 1][4]), std::stod(lines[i][4]));

    // A stock two funds share: (30000 × 10 + 10000 × 5) / 40000 = 8.75.
    r = run({"--base-url", own_.base_url(), "100001=30000", "100003=10000"});
    EXPECT_EQ(parse_lines(r.out).at(0),
              (Line{"泸州老窖", "15", "2", own_.base_url() + "s/10", "8.75", "3500.00"}));

    // A code typed again is analysed once, with the sum of its amounts.
    const Outcome twice =
        run({"--base-url", own_.base_url(), "100001=20000", "100003=10000", "100001=10000"});
    EXPECT_EQ(twice.status, 0) << twice.err;
    EXPECT_EQ(twice.out, r.out);
    EXPECT_NE(twice.err.find("'100001' typed again: analysed once, amounts added\n"),
              std::string::npos)
        << twice.err;
    EXPECT_EQ(twice.err.find("same top ten"), std::string::npos) << twice.err;
}

// Each fund's asset allocation is asked beside its page: where it is known
// JSON gives it with the coverage and standard error the money in stocks;
// a failure answer leaves the fund as it was.
TEST_F(LookThroughProgramTest, AssetAllocationGivesCoverageAndTheMoneyInStocks) {
    const auto mix_target = [](const std::string& code) {
        return "/FundMNewApi/FundMNAssetAllocationNew?FCODE=" + code +
               "&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0";
    };
    LoopbackServer server({
        {"/100001.html", fund_page("100001", "示例股票", "2026-09-30", {{"X", "30"}, {"Y", "15"}})},
        {mix_target("100001"),
         R"({"Datas":[{"FSRQ":"2026-09-30","GP":"90.00","ZQ":"5.00","HB":"5.00","JJ":"--",)"
         R"("QT":"--","JZC":"12.50"}],"ErrCode":0,"Success":true})"},
        {"/100003.html", fund_page("100003", "示例未知", "2026-09-30", {{"X", "10"}})},
        {mix_target("100003"), R"({"Datas":null,"ErrCode":61,"Success":false})"},
    });
    const Outcome r = run({"--base-url", server.base_url(), "--mobile-url", server.base_url(),
                           "--format", "json", "100001=40000", "100003=5000"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.out.find(R"("exited": [], "assets": {"date": "2026-09-30", "stocks": 90, "bonds": 5, )"
                   R"("cash": 5, "funds": 0, "other": 0, "net_assets": 12.5}, "coverage": 0.5},)"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("source": "page", "exited": []})"), std::string::npos) << r.out;
    // 40,000 × 90 % in stocks, 40,000 × 45 % in the top ten; 100003 unknown.
    EXPECT_NE(r.err.find("股票 ¥36,000 中列表显示 ¥18,000 (50%)\n"), std::string::npos) << r.err;
}

// A feeder's mobile answer names its ETF, whose rows join the feeder's
// scaled by its share; without a share nothing is guessed and standard
// error says so.
TEST_F(LookThroughProgramTest, FeederFundsAreSeenThroughTheirEtfWhereTheirShareIsKnown) {
    const auto mobile_target = [](const std::string& code) {
        return "/FundMNewApi/FundMNInverstPosition?FCODE=" + code +
               "&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0";
    };
    const std::string etf =
        R"({"Datas":{"fundStocks":[],"ETFCODE":"100019","ETFSHORTNAME":"示例ETF")";
    LoopbackServer server({
        {"/100019.html", fund_page("100019", "示例ETF", "2026-09-30", {{"X", "10"}, {"Z", "5"}})},
        {"/100011.html", fund_page("100011", "示例联接A", "2026-09-30", {{"X", "1"}})},
        {mobile_target("100011"),
         etf + R"(,"fundfofs":[{"TZJJDM":"100019","ZJZBL":"90"}]},"ErrCode":0,"Success":true})"},
        {"/100012.html", fund_page("100012", "示例联接C", "2026-09-30", {{"Y", "1"}})},
        {mobile_target("100012"), etf + R"(},"ErrCode":0,"Success":true})"},
    });
    const Outcome r = run({"--base-url", server.base_url(), "--mobile-url", server.base_url(),
                           "--format", "json", "100011", "100012"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* part : {
             R"("target_etf": {"code": "100019", "name": "示例ETF", "share": 90}})",
             R"({"name": "X", "ratio": 10, "occurrences": 1,)",
             R"("via": "100019"})",
         })
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    EXPECT_NE(r.err.find("'100012' is a feeder of 100019: ETF share unknown, own rows only\n"),
              std::string::npos)
        << r.err;
}

// A page's ratio beyond the float range gives an exposure that is no
// number: an empty field in TSV and CSV, null in JSON, last in the order.
TEST_F(LookThroughProgramTest, ExposureThatIsNoNumberIsLeftEmptyOrNullAndSortsLast) {
    if (!python_starts()) GTEST_SKIP() << "python3 cannot be started from this system's programs";
    LoopbackServer server({{"/100005.html", fund_page("100005", "示例极端", "2022-09-30",
                                                      {{"Huge", "1e308"}, {"Small", "2"}})}});
    const std::string file = temp_.file("out");
    auto run_as = [&](const char* format) {
        Outcome r = run({"--base-url", server.base_url(), "--sort", "exposure", "--format", format,
                         "--output", file, "100005=1000"});
        EXPECT_EQ(r.status, 0) << r.err;
        return read_whole_file(file);
    };
    const std::string tsv = run_as("tsv");
    EXPECT_TRUE(tsv.starts_with("Small\t2\t1\t")) << tsv;
    EXPECT_TRUE(tsv.find("\t2.00\t20.00\nHuge\t") != std::string::npos && tsv.ends_with("\t\t\n"))
        << tsv;
    const std::string csv = run_as("csv");
    EXPECT_TRUE(csv.find(",2.00,20.00\r\nHuge,") != std::string::npos && csv.ends_with(",,\r\n"))
        << csv;
    run_as("json");
    Outcome parsed = python(
        "import json,sys\n"
        "def refuse(token): raise ValueError(token)\n"
        "d = json.load(open(sys.argv[1]), parse_constant=refuse)\n"
        "print([(s['name'], s['exposure']) for s in d['stocks']])\n",
        file);
    EXPECT_EQ(parsed.status, 0) << parsed.err;
    EXPECT_EQ(parsed.out, "[('Small', 2.0), ('Huge', None)]\n");
}

TEST_F(LookThroughProgramTest, CsvReadsBackWithPythonsCsvModule) {
    if (!python_starts()) GTEST_SKIP() << "python3 cannot be started from this system's programs";
    const std::string file = temp_.file("out.csv");
    Outcome r = run(
        {"--base-url", own_.base_url(), "--format", "csv", "--output", file, "100001", "100003"});
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
              "['泸州老窖', '15', '2', '" +
                  base +
                  "s/10']\n"
                  "['Comma, Inc', '4', '1', '" +
                  base +
                  "s/4']\n"
                  "['Other', '3', '1', '" +
                  base +
                  "s/3']\n"
                  "['Tab\\tLine\\nBreak', '2', '1', '" +
                  base + "s/2']\n");
    for (const auto& entry : fs::directory_iterator(temp_.path()))  // no temporary file left
        EXPECT_EQ(entry.path().filename().string().rfind(".out.csv", 0), std::string::npos);
}

TEST_F(LookThroughProgramTest, JsonListsFundsStocksTheirHoldersPairsAndDifferingDates) {
    if (!python_starts()) GTEST_SKIP() << "python3 cannot be started from this system's programs";
    const std::string file = temp_.file("out.json");
    Outcome r =
        run({"--base-url", own_.base_url(), "--format", "json", "--output", file, "100001=1000",
             "100002=1000", "100003=2000", "100004=1", "999999=1", "12345=1"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("'100001' and '100002' hold the same top ten"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("report dates differ: 2022-06-30, 2022-09-30"), std::string::npos)
        << r.err;
    Outcome parsed = python(
        "import json,sys\n"
        "d = json.load(open(sys.argv[1], encoding='utf-8', errors='strict'))\n"
        "for f in d['funds']:\n"
        "    print(f['code'], f['name'], f['report_date'], f['outcome'], f['rows'], f['amount'])\n"
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
              "'Comma, Inc' 8 2 2.0 100001:4 100002:4\n"          // 8000 / 4003 = 1.998
              "'Tab\\tLine\\nBreak' 4 2 1.0 100001:2 100002:2\n"  // 4000 / 4003
              "'Other' 3 1 1.5 100003:3\n"                        // 6000 / 4003 = 1.499
              "'?? name' 1 1 0.0 100004:1\n"
              "[['100001', '100002']] report dates differ: 2022-06-30, 2022-09-30\n");
}

TEST_F(LookThroughProgramTest, ShareClassesWithTheSameTopTenAreNamedAndMarked) {
    LoopbackServer server({{"/701001.html", generated_page(fund_code::demo)},
                           {"/701002.html", generated_page(fund_code::demo_class_c)},
                           {"/705001.html", generated_page(fund_code::older_report)}});
    Outcome r =
        run({"--base-url", server.base_url(), "--format", "json", "701001", "705001", "701002"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("'701001' and '701002' hold the same top ten"), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("\"same_holdings\": [\n    [\"701001\", \"701002\"]\n  ]"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"note\": \"report dates differ: 2022-06-30, 2022-09-30\""),
              std::string::npos);
}

// 701001 and 701002 are one portfolio; 701001 shares 杉屿服饰-W (5.48 and
// 5.73) with 702001, 澄岫食品 (8.87, 6.43) and 泓樾汽车 (3.64, 5.21) with
// 705001; totals 54.20, 31.81 (702001's eight linked rows) and 52.99.
TEST_F(LookThroughProgramTest, OverlapMatrixMatchesHandComputedFiguresInEachFormat) {
    if (!python_starts()) GTEST_SKIP() << "python3 cannot be started from this system's programs";
    std::map<std::string, std::string> pages;
    for (const char* code : {"701001", "701002", "702001", "705001"})
        pages["/" + std::string(code) + ".html"] = generated_page(code);
    LoopbackServer server(pages);
    const std::vector<std::string> args = {"--base-url", server.base_url(), "--overlap", "701001",
                                           "701002",     "702001",          "705001",    "704001"};
    Outcome r = run(args);
    EXPECT_EQ(r.status, 1) << r.err;  // 704001 gave nothing and is left out
    EXPECT_EQ(r.out,
              "重合百分点\t701001\t701002\t702001\t705001\n"
              "701001\t54.20\t54.20\t5.48\t10.07\n"
              "701002\t54.20\t54.20\t5.48\t10.07\n"
              "702001\t5.48\t5.48\t31.81\t0.00\n"
              "705001\t10.07\t10.07\t0.00\t52.99\n"
              "\n"
              "共同股票数\t701001\t701002\t702001\t705001\n"
              "701001\t10\t10\t1\t2\n"
              "701002\t10\t10\t1\t2\n"
              "702001\t1\t1\t8\t0\n"
              "705001\t2\t2\t0\t10\n");
    EXPECT_NE(r.err.find("'701001' and '701002' hold the same top ten"), std::string::npos);

    const std::string csv = temp_.file("overlap.csv"), json = temp_.file("overlap.json");
    std::vector<std::string> csv_args = args, json_args = args;
    csv_args.insert(csv_args.end(), {"--format", "csv", "--output", csv});
    json_args.insert(json_args.end(), {"--format", "json", "--output", json});
    ASSERT_EQ(run(csv_args).status, 1);
    ASSERT_EQ(run(json_args).status, 1);
    std::string as_csv = "\xEF\xBB\xBF";  // the same tables, commas and CRLF
    for (char c : r.out) as_csv += c == '\t' ? "," : c == '\n' ? "\r\n" : std::string(1, c);
    EXPECT_EQ(read_whole_file(csv), as_csv);
    Outcome doc = python(
        "import json,sys\n"
        "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
        "print([(f['code'], f['name'], f['total'], f['stocks']) for f in d['funds']])\n"
        "print(d['points'][0], d['common'][3])\n"
        "for p in d['pairs']:\n"
        "    if p['identical'] or p['stocks'] and p['codes'][0] == '701001':\n"
        "        print(p['codes'], p['points'], p['identical'], [(s['name'], s['ratios']) "
        "for s in p['stocks']][:2])\n",
        json);
    EXPECT_EQ(doc.out,
              "[('701001', '青禾新兴消费混合A', 54.2, 10), ('701002', '青禾新兴消费混合C', 54.2, "
              "10), ('702001', '澄川全球消费精选混合人民币C', 31.81, 8), ('705001', "
              "'篁岭科技先锋股票', 52.99, 10)]\n"
              "[54.2, 54.2, 5.48, 10.07] [2, 2, 0, 10]\n"
              "['701001', '701002'] 54.2 True [('岚溪酒业', [9.41, 9.41]), ('澄岫食品', [8.87, "
              "8.87])]\n"
              "['701001', '702001'] 5.48 False [('杉屿服饰-W', [5.48, 5.73])]\n"
              "['701001', '705001'] 10.07 False [('澄岫食品', [8.87, 6.43]), ('泓樾汽车', [3.64, "
              "5.21])]\n")
        << doc.err;
}

TEST_F(LookThroughProgramTest, HelpDescribesEveryOptionAndVersionPrintsIt) {
    Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option :
         {"--base-url", "--sort ratio", "--sort count", "--sort exposure", "--format tsv",
          "--format csv", "--format json", "--output FILE", "--parallel N", "--timeout SECONDS",
          "--overlap", "--version", "CODE=AMOUNT", "Example:"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    Outcome among_others = run({"--parallel", "4x", "160127", "--help"});
    EXPECT_EQ(among_others.status, 0);
    EXPECT_EQ(among_others.out, help.out);
    Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("qinghe-analyse ") && version.out.size() > 16)
        << version.out;
}

}  // namespace
}  // namespace qinghe
