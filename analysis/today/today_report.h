// What a reading of today's quotes gives for the funds of a run: each held
// stock's quote (or why it has none), each fund's estimated change today from
// its disclosed holdings, the money it makes with the amount typed, and the
// total. A plain value: a window shows it, the command line prints it, the
// history stores each fund's estimate. Texts named GBK are program texts as
// everywhere in the program; the fault and reason texts are UTF-8, as
// FundReport's are.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/fund_estimate.h"
#include "analysis/sources/quote_answer.h"

namespace qinghe::app {

// A stock as the quote services name it: its market (market:: numbers) and
// code, read from a holding's link `…/unify/r/{market}.{code}`.
struct StockId {
    int market = 0;
    std::string code;
    bool operator==(const StockId&) const = default;
};

// One held stock of the run, once however many funds hold it.
struct TodayStock {
    StockId id;
    std::string name;            // GBK, as the fund's holdings name it
    std::string link;            // GBK, the holding's link
    std::optional<Quote> quote;  // a quote of today's trading day
    std::string reason;          // UTF-8, why there is none: "no quote today", "suspended" …
};

// One holding of a fund: its row and, where its link names a stock, that
// stock among the report's stocks.
struct TodayHolding {
    std::string name;             // GBK
    std::string link;             // GBK
    double ratio = 0;             // percent of the fund's net assets
    std::optional<size_t> stock;  // index into TodayReport::stocks; none without a stock link
};

// A fund's estimate of the trading day before, as stored, and the change the
// fund published for that day, when known.
struct PreviousDay {
    int trading_day = 0;              // YYYYMMDD
    std::optional<double> estimate;   // percent
    std::optional<double> published;  // percent
};

struct TodayFund {
    std::string code;              // six digits
    std::string name;              // GBK
    std::optional<double> amount;  // yuan, as typed
    std::string holdings_date;     // YYYY-MM-DD of the disclosed holdings the estimate stands on
    std::vector<TodayHolding> holdings;
    FundEstimate estimate;
    std::string reason;           // UTF-8, why there is no estimate (empty with one)
    long long quoted_at = 0;      // Unix seconds of the newest quote among its holdings; 0 none
    std::optional<double> money;  // yuan: amount × estimate, when both are there
    std::optional<PreviousDay> previous;
};

struct TodayReport {
    std::vector<TodayFund> funds;       // in the order of the reports given
    std::vector<TodayStock> stocks;     // each held stock once, in the order first held
    std::optional<double> total_money;  // Σ money over the funds that have some
    int trading_day = 0;                // YYYYMMDD the quotes show; 0 when none came
    // A plain text (UTF-8) when the quote services refused or failed, such as
    // "行情来源拒绝访问（429），稍后再试"; empty when quotes came.
    std::string quote_fault;
    // Whether a market of the funds' stocks is open at the time of reading.
    bool market_open = false;
    long long read_at = 0;  // Unix seconds
};

// The stock of `link` (GBK) among `report`'s stocks, or null.
const TodayStock* stock_by_link(const TodayReport& report, const std::string& link);

// Trading hours, Asia/Shanghai time (UTC+8 all year), Monday to Friday:
// mainland 09:30–11:30 and 13:00–15:00; Hong Kong 09:30–12:00 and
// 13:00–16:10, each up to and including its closing minute, so that a
// reading then takes the closing prices. Holidays are not known: a closed
// market's quotes show an earlier trading day.
bool market_open(int market, long long unix_seconds);
// Whether any market of `stocks` is open at `unix_seconds`.
bool any_market_open(const std::vector<TodayStock>& stocks, long long unix_seconds);

}  // namespace qinghe::app
