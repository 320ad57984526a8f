// Today's reading for the funds of a run: made once per window or run, it
// asks the quote services (quote_sources.h) for the stocks the funds hold,
// keeps each stock's quote for 30 s, and makes the report of today_report.h
// from the funds' reports: every fund's estimate (fund_estimate.h), its money
// and the total. read() waits for the answers: call it from a worker thread
// in a window; cancel() from any thread ends a reading under way.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/fund_report.h"
#include "analysis/today/quote_sources.h"
#include "analysis/today/today_report.h"

namespace qinghe::app {

// The stored estimate of fund `code` (six digits) for the latest trading day
// before `trading_day` (YYYYMMDD), with the published change of that day when
// known; nothing when none is stored.
using PreviousDays =
    std::function<std::optional<PreviousDay>(const std::string& code, int trading_day)>;

class TodayReader {
public:
    explicit TodayReader(QuoteSettings settings, QuoteClock clock = {});
    // Only when no reading is under way: cancel() first, then wait for the
    // thread that reads.
    ~TodayReader();
    TodayReader(const TodayReader&) = delete;
    TodayReader& operator=(const TodayReader&) = delete;

    // Where the previous day's estimates come from; none asked without.
    void set_previous_days(PreviousDays previous_days);

    // The report for `funds` (the reports of a run; those without rows are
    // listed with the reason). Quotes younger than 30 s are not asked again.
    TodayReport read(const std::vector<FundReport>& funds);

    // Ends the reading under way (its stocks get no quote) and every later
    // one's requests: for a window that closes.
    void cancel();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The estimate's input for a fund: its own holdings with their stocks'
// changes today (quotes[i] for rows[i], null without one) and its stock
// share; for a feeder fund, its share in its target ETF and the ETF's change
// today (`etf_quote`), the rows it holds through the ETF left out.
EstimateInput estimate_input(const FundReport& fund, const std::vector<const Quote*>& quotes,
                             const Quote* etf_quote = nullptr);

// A listed fund's stock: Shanghai for codes 5xxxxx (510300 is 1.510300),
// else Shenzhen (159919 is 0.159919).
StockId etf_stock(const std::string& code);

}  // namespace qinghe::app
