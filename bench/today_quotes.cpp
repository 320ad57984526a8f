// Today's reading on loopback: the requests the quotes of 200 held stocks
// take, and the time of a refresh of 20 funds (every quote older than its
// 30 s, as when the window refreshes each minute): 20 funds of 10 stocks
// each, all different (200 stocks), and the first 20 generated funds, which
// share many.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/today/today_reader.h"
#include "support/loopback_server.h"

namespace {

using namespace qinghe;
using namespace qinghe::app;
using Clock = std::chrono::steady_clock;

constexpr int kRefreshes = 20;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// The list endpoint: every stock asked is up 1 %.
std::string list_answer(const std::string& target) {
    const size_t at = target.find("secids=");
    std::string diff;
    for (const std::string& secid : split(target.substr(at + 7), ',')) {
        const size_t dot = secid.find('.');
        diff += std::string(diff.empty() ? "" : ",") + R"({"f2":10.1,"f3":1.0,"f12":")" +
                secid.substr(dot + 1) + R"(","f13":)" + secid.substr(0, dot) +
                R"(,"f14":"stock","f18":10,"f124":1796790000,"f297":20261209})";
    }
    return R"({"rc":0,"data":{"diff":[)" + diff + "]}}";
}

FundReport fund(const std::string& code, const std::vector<std::string>& links) {
    FundReport report;
    report.code = code;
    report.outcome = FundOutcome::read;
    report.assets.emplace().stocks = 90;
    report.amount = 10000;
    for (const std::string& link : links) {
        FundRow& row = report.rows.emplace_back();
        row.stock_name = "stock";
        row.ratio = 5;
        row.link = link;
    }
    return report;
}

std::vector<FundReport> distinct_funds() {
    std::vector<FundReport> funds;
    for (int f = 0; f < 20; ++f) {
        std::vector<std::string> links;
        for (int s = 0; s < 10; ++s)
            links.push_back("https://quote.example.com/unify/r/1." +
                            std::to_string(600000 + f * 10 + s));
        funds.push_back(fund(std::to_string(100000 + f), links));
    }
    return funds;
}

// The first 20 generated funds with holdings, from holdings.tsv.
std::vector<FundReport> generated_funds() {
    std::ifstream in(QINGHE_GENERATED_PAGES_DIR "/holdings.tsv");
    std::vector<std::string> codes;
    std::vector<std::vector<std::string>> links;
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> fields = split(line, '\t');
        if (fields.size() < 6 || fields[5].empty()) continue;
        if (codes.empty() || codes.back() != fields[0]) {
            if (codes.size() == 20) break;
            codes.push_back(fields[0]);
            links.emplace_back();
        }
        links.back().push_back(fields[5]);
    }
    std::vector<FundReport> funds;
    for (size_t i = 0; i < codes.size(); ++i) funds.push_back(fund(codes[i], links[i]));
    return funds;
}

void measure(const char* what, const std::vector<FundReport>& funds) {
    std::atomic<int> requests = 0;
    testing::LoopbackServer server([&](testing::Connection& c) {
        do {
            ++requests;
            if (!c.send(testing::keep_alive_response(list_answer(c.target())))) return;
        } while (c.next_request());
    });
    Clock::time_point now = Clock::now();
    QuoteSettings settings;
    settings.order = {QuoteSourceKind::quote};
    settings.quote_base = server.base_url();
    TodayReader reader(settings, [&] { return now; });
    std::vector<double> seconds;
    size_t stocks = 0;
    int first_requests = 0;
    for (int i = 0; i < kRefreshes; ++i) {
        now += std::chrono::seconds(31);  // every quote older than its 30 s
        const Clock::time_point start = Clock::now();
        const TodayReport report = reader.read(funds);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        stocks = report.stocks.size();
        if (i == 0) first_requests = requests;
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf(
        "%s: %zu funds, %zu stocks: %d requests a refresh; refresh median %.1f ms, "
        "slowest %.1f ms (%d refreshes)\n",
        what, funds.size(), stocks, first_requests, seconds[seconds.size() / 2] * 1e3,
        seconds.back() * 1e3, kRefreshes);
}

}  // namespace

int main() {
    measure("all different", distinct_funds());
    measure("generated", generated_funds());
    return 0;
}
