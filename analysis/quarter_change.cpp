#include "analysis/quarter_change.h"

#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace qinghe::app {
namespace {

// Ratios are read from texts with two decimals; comparing whole hundredths
// keeps 8.25 - 7.20 from becoming 1.0500002.
long hundredths(float ratio) { return std::lround(double(ratio) * 100); }

void mark(FundRow& row, const FundRow* before) {
    if (!before) {
        row.change = change_word::kNew;
        row.change_points.reset();
        return;
    }
    const long difference = hundredths(row.ratio) - hundredths(before->ratio);
    row.change = difference > 0   ? change_word::kRaised
                 : difference < 0 ? change_word::kCut
                                  : change_word::kUnchanged;
    row.change_points = float(difference) / 100;
}

}  // namespace

QuarterChange compare_quarters(std::vector<FundRow> newest, const std::vector<FundRow>& previous) {
    std::unordered_map<std::string_view, const FundRow*> before;
    for (const FundRow& row : previous) before.emplace(row.stock_name, &row);
    std::unordered_set<std::string_view> kept;
    for (FundRow& row : newest) {
        auto found = before.find(row.stock_name);
        mark(row, found == before.end() ? nullptr : found->second);
        kept.insert(row.stock_name);
    }
    std::vector<FundRow> exited;
    std::unordered_set<std::string_view> listed;
    for (const FundRow& row : previous)
        if (!kept.contains(row.stock_name) && listed.insert(row.stock_name).second)
            exited.push_back({row.stock_name, row.ratio, {}, {}});
    return {std::move(newest), std::move(exited)};
}

}  // namespace qinghe::app
