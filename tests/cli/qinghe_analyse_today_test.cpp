// qinghe-analyse --today against a site that answers the funds' pages, their
// asset mixes, their published net values and the quotes of three quote
// hosts, of a trading day the test sets.
#include <atomic>
#include <string>
#include <vector>

#include "analyse_program_fixture.h"

namespace qinghe::analyse_testing {
namespace {

using testing::Connection;
using testing::keep_alive_response;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// Every stock moves 1 % on `day` (YYYYMMDD), quoted at `seconds`; 泓樾汽车
// (0.002781) is suspended; the first quote host knows no Hong Kong stock,
// the second (under /delay/) does; nobody knows the US stocks.
std::string list_answer(const std::string& target, bool hong_kong, int day, long long seconds) {
    const std::string secids = target.substr(target.find("secids=") + 7);
    std::string diff;
    for (const std::string& secid : split(secids, ',')) {
        const std::string market = secid.substr(0, secid.find('.'));
        const std::string code = secid.substr(secid.find('.') + 1);
        if ((market == "116" && !hong_kong) || market == "105" || market == "106") continue;
        const bool suspended = code == "002781";
        diff += std::string(diff.empty() ? "" : ",") + R"({"f2":)" +
                (suspended ? R"("-","f3":"-")" : R"(10.1,"f3":1.0)") + R"(,"f12":")" + code +
                R"(","f13":)" + market + R"(,"f18":10,"f124":)" + std::to_string(seconds) +
                R"(,"f297":)" + std::to_string(day) + "}";
    }
    return diff.empty() ? R"({"rc":102,"data":null})"
                        : R"({"rc":0,"data":{"diff":[)" + diff + "]}}";
}

class TodaySite {
public:
    TodaySite() : server_([this](Connection& c) { answer(c); }) {}
    std::string base() const { return server_.base_url(); }
    int connections() const { return server_.connections(); }
    // The quotes of trading day `day` (YYYYMMDD), quoted at Unix `seconds`.
    void set_day(int day, long long seconds) {
        day_ = day;
        seconds_ = seconds;
    }

private:
    // Connections are kept alive, as the site keeps them.
    void answer(Connection& c) {
        do {
            const std::string body = body_for(c.target());
            if (!c.send(body.empty()
                            ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"
                            : keep_alive_response(body)))
                return;
        } while (c.next_request());
    }

    std::string body_for(const std::string& target) {
        std::string body;
        if (target.ends_with(".html")) body = generated_page(target.substr(1, 6));
        else if (target.starts_with("/FundMNewApi/FundMNAssetAllocationNew?FCODE="))
            body = generated_answer("assets/" + target.substr(44, 6) + ".json");
        else if (target.starts_with("/f10/lsjz?fundCode="))
            body = generated_answer("netvalues/" + target.substr(19, 6) + ".json");
        else if (target.starts_with("/api/qt/ulist.np/get?"))
            body = list_answer(target, false, day_, seconds_);
        else if (target.starts_with("/delay/api/qt/ulist.np/get?"))
            body = list_answer(target, true, day_, seconds_);
        else if (target.starts_with("/q=")) body = "v_pv_none_match=\"1\";";
        return body;
    }

    std::atomic<int> day_ = 20261209;
    std::atomic<long long> seconds_ = 1796790000;  // 2026-12-09 12:20:00
    LoopbackServer server_;
};

std::vector<std::string> hosts_at(const std::string& base) {
    return {"--base-url",   base,
            "--mobile-url", base,
            "--url",        "quote=" + base,
            "--url",        "quote2=" + base + "delay/",
            "--url",        "tencent=" + base,
            "--url",        "nav=" + base};
}

// 701001: a stock share of 84.20 %, every quoted stock up 1 %: 0.842 %, the
// suspended stock left out of both sums; coverage (54.20 − 3.64) / 84.20.
// 702001: only its Hong Kong stock quoted, 5.73 of 37.14: no estimate.
// 701001 typed again: its amounts added.
TEST_F(AnalyseProgramTest, TodayPrintsEachFundsEstimateMoneyAndTotal) {
    TodaySite site;
    const std::vector<std::string> hosts = hosts_at(site.base());
    std::vector<std::string> args = hosts;
    args.insert(args.end(), {"--today", "--parallel", "1", "701001=20000", "702001=10000",
                             "701001=5000"});
    Outcome r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    // The holdings' requests and today's go through the run's one engine:
    // one connection to the one host.
    EXPECT_EQ(site.connections(), 1);
    std::vector<Line> lines = parse_lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    for (Line& line : lines) line.resize(11);  // the empty fields at the end
    EXPECT_EQ(lines[0], Line({"701001", "青禾新兴消费混合A", "0.84", "60.0", "2026-12-09 12:20:00",
                              "25000.00", "210.50", "", "", "", ""}));
    EXPECT_EQ(lines[1],
              Line({"702001", "澄川全球消费精选混合人民币C", "", "8.5", "2026-12-09 12:20:00",
                    "10000.00", "", "quoted weight under half", "", "", ""}));
    EXPECT_EQ(lines[2], Line({"total", "", "", "", "", "25000.00", "210.50", "", "", "", ""}));

    args = hosts;
    args.insert(args.end(), {"--today", "--format", "json", "701001"});
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* part : {R"("estimate": 0.842,)", R"("coverage": 0.6005,)",
                             R"("quoted_at": "2026-12-09 12:20:00",)", R"("reason": null,)",
                             R"("name": "泓樾汽车",)", R"("reason": "suspended")",
                             R"("price": 10.1,)", R"("change": 1.0,)", R"("previous": null,)"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
}

// A run on 2026-12-08 stores each fund's estimate; the run of the next day
// shows 701001's beside the change it published for that day (+0.52, the
// generator's), after its own. 702001 had no estimate to store.
TEST_F(AnalyseProgramTest, TodayShowsTheDayBeforesEstimateBesideThePublishedChange) {
    TodaySite site;
    std::vector<std::string> args = hosts_at(site.base());
    args.insert(args.end(), {"--today", "701001", "702001"});
    site.set_day(20261208, 1796790000 - 86400);
    Outcome r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<Line> lines = parse_lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    lines[0].resize(11);  // the empty fields at the end
    EXPECT_EQ(lines[0][2], "0.84");
    EXPECT_EQ(lines[0][8], "") << "nothing stored before";

    site.set_day(20261209, 1796790000);
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    lines = parse_lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0], Line({"701001", "青禾新兴消费混合A", "0.84", "60.0", "2026-12-09 12:20:00",
                              "", "", "", "2026-12-08", "0.84", "0.52"}));
    lines[1].resize(11);
    EXPECT_EQ(lines[1][8], "") << "702001 had no estimate: no day before";

    args.insert(args.end(), {"--format", "json"});
    r = run(args);
    EXPECT_NE(r.out.find(R"("previous": {
        "day": "2026-12-08",
        "estimate": 0.84,
        "published": 0.52
      },)"),
              std::string::npos)
        << r.out;
}

}  // namespace
}  // namespace qinghe::analyse_testing
