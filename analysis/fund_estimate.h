// A fund's change today estimated from its disclosed holdings and the
// stocks' changes today:
//   g = S × Σ(wᵢ·pᵢ) / Σwᵢ
// over the holdings with a quote today, where wᵢ is the holding's ratio
// (percent of net assets), pᵢ the stock's change in percent and S the fund's
// stock share (percent of net assets) ÷ 100: the stocks not disclosed are
// taken to move as the disclosed ones do. A feeder fund holds its target ETF,
// which is listed and quoted itself: g = e × p_ETF + Σ(wᵢ·pᵢ) / 100 over its
// direct stocks, with e its share in the ETF ÷ 100.
#pragma once

#include <optional>
#include <vector>

namespace qinghe::app {

struct EstimateHolding {
    double ratio = 0;              // percent of net assets
    std::optional<double> change;  // percent today; none without a quote today
};

struct EstimateInput {
    std::vector<EstimateHolding> holdings;
    std::optional<double> stock_share;  // percent of net assets, from the asset mix
    bool feeder = false;                // the rest: for a feeder fund only
    std::optional<double> etf_share;    // percent of net assets held in the target ETF
    std::optional<double> etf_change;   // the ETF's change today, percent
};

enum class NoEstimate {
    none,                 // there is an estimate
    stock_share_unknown,  // no asset mix
    few_stocks,           // a stock share under kLeastStockShare: a bond or money fund
    few_quotes,           // the quoted weight is under half of the known weight
    etf_share_unknown,    // a feeder whose share in its ETF is unknown
    etf_unquoted,         // a feeder whose ETF has no quote today
};

struct FundEstimate {
    std::optional<double> change;  // percent; none with a reason
    double coverage = 0;           // quoted weight ÷ stock share, a fraction
    NoEstimate reason = NoEstimate::none;
};

inline constexpr double kLeastStockShare = 10;

FundEstimate estimate_fund(const EstimateInput& input);

// What a change does to an amount of money, in the amount's unit.
double money_change(double amount, double change_percent);

}  // namespace qinghe::app
