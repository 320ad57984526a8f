// The look-through of a run: for each stock of the merged list, the funds
// that hold it with each fund's ratio; the share of the user's money in it;
// and pairs of funds that hold exactly the same top ten.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "analysis/fund_report.h"
#include "runtime/values.h"

namespace qinghe::app {

struct FundShare {
    size_t fund = 0;  // index into the run's reports
    float ratio = 0;
    size_t row = 0;  // index into that report's rows
};

// For record i (1-based) of `merged`, element i-1: one share per row of a
// fund that names the stock, in the order of the typed lines.
std::vector<std::vector<FundShare>> look_through(const ArrayBlock* merged,
                                                 const std::vector<FundReport>& funds);

// Σ (amount of fund × ratio in fund) / Σ amounts, in percent; `amounts`
// holds one amount per report. Not a finite number when a fund's ratio is
// beyond the float range (a page may print "1e308%"): no figure then.
double exposure(const std::vector<FundShare>& holders, const std::vector<double>& amounts);

// The user's money in a stock, in yuan: Σ amount of fund × ratio / 100.
double money(const std::vector<FundShare>& holders, const std::vector<double>& amounts);
// A fund's part of it.
double money_part(const FundShare& share, const std::vector<double>& amounts);
// The money in each stock of `merged` by its name (GBK); `amounts` one per
// fund, or empty: no figures then.
std::unordered_map<std::string, double> money_by_stock(const ArrayBlock* merged,
                                                       const std::vector<FundReport>& funds,
                                                       const std::vector<double>& amounts);

// Pairs (i < j) of funds read whose rows are identical: same names and
// ratios in the same order.
std::vector<std::pair<size_t, size_t>> same_holdings(const std::vector<FundReport>& funds);

}  // namespace qinghe::app
