// qinghe-analyse --accuracy: each fund's stored estimates beside the
// changes it published, newest day first, and the mean absolute difference
// over the days that have both. Figures in percent (the difference in
// percentage points) with two decimals, coverage in percent.
//   TSV: code, trading day, estimate, published, difference, coverage,
//        holdings date; then per fund a line with 平均绝对差 for the day
//        and the mean as its difference ("" for a figure not known)
//   CSV: the same with a header line
//   JSON: {"funds":[{"code","mean_absolute_difference","net_values_error",
//          "days":[{"trading_day","estimate","published","difference",
//          "coverage","holdings_date","estimated_at"}]}]}
#pragma once

#include <string>
#include <vector>

#include "analysis/history/estimate_store.h"
#include "analysis/output/analysis_output.h"

namespace qinghe::app {

struct FundAccuracy {
    std::string code;
    std::vector<EstimatedDay> days;  // newest first; none: no estimate stored
    std::string net_values_error;    // why this run got no published values; empty when it did
};

std::string accuracy_listing(const std::vector<FundAccuracy>& funds, OutputFormat format);

}  // namespace qinghe::app
