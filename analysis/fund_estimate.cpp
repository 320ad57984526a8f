#include "analysis/fund_estimate.h"

#include <algorithm>

namespace qinghe::app {
namespace {

struct Weights {
    double known = 0;   // Σwᵢ over every holding
    double quoted = 0;  // Σwᵢ over the holdings with a quote today
    double moved = 0;   // Σwᵢ·pᵢ over those
};

Weights weigh(const std::vector<EstimateHolding>& holdings) {
    Weights weights;
    for (const EstimateHolding& holding : holdings) {
        weights.known += holding.ratio;
        if (!holding.change) continue;
        weights.quoted += holding.ratio;
        weights.moved += holding.ratio * *holding.change;
    }
    return weights;
}

FundEstimate without(NoEstimate reason, double coverage = 0) {
    return FundEstimate{std::nullopt, coverage, reason};
}

FundEstimate estimate_feeder(const EstimateInput& input, const Weights& direct) {
    if (!input.etf_share) return without(NoEstimate::etf_share_unknown);
    const double held = *input.etf_share + std::max(direct.known, input.stock_share.value_or(0));
    const double coverage = held > 0 ? (*input.etf_share + direct.quoted) / held : 0;
    if (!input.etf_change) return without(NoEstimate::etf_unquoted, coverage);
    return FundEstimate{*input.etf_share / 100 * *input.etf_change + direct.moved / 100, coverage,
                        NoEstimate::none};
}

}  // namespace

FundEstimate estimate_fund(const EstimateInput& input) {
    const Weights weights = weigh(input.holdings);
    if (input.feeder) return estimate_feeder(input, weights);
    if (!input.stock_share) return without(NoEstimate::stock_share_unknown);
    const double share = *input.stock_share;
    if (share < kLeastStockShare) return without(NoEstimate::few_stocks);
    const double coverage = std::min(1.0, weights.quoted / share);
    if (weights.quoted <= 0 || weights.quoted < weights.known / 2)
        return without(NoEstimate::few_quotes, coverage);
    return FundEstimate{share / 100 * weights.moved / weights.quoted, coverage, NoEstimate::none};
}

double money_change(double amount, double change_percent) { return amount * change_percent / 100; }

}  // namespace qinghe::app
