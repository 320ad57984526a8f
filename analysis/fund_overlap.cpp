#include "analysis/fund_overlap.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>

#include "analysis/look_through.h"

namespace qinghe::app {
namespace {

// One fund's stocks, each once, in the order of its rows.
struct Holdings {
    std::vector<std::string_view> names;
    std::unordered_map<std::string_view, float> ratio;
};

Holdings holdings_of(const FundReport& report) {
    Holdings h;
    for (const FundRow& row : report.rows) {
        const float ratio = std::isfinite(row.ratio) ? row.ratio : 0.0f;
        auto [at, inserted] = h.ratio.try_emplace(row.stock_name, ratio);
        if (inserted) h.names.push_back(row.stock_name);
        else at->second += ratio;
    }
    return h;
}

OverlapCell overlap_of(const Holdings& a, const Holdings& b) {
    OverlapCell cell;
    for (std::string_view name : a.names) {
        auto found = b.ratio.find(name);
        if (found == b.ratio.end()) continue;
        const float ratio_a = a.ratio.at(name), ratio_b = found->second;
        cell.points += double(std::min(ratio_a, ratio_b));
        cell.common.push_back({std::string(name), ratio_a, ratio_b});
    }
    return cell;
}

}  // namespace

double FundOverlap::similarity(size_t a, size_t b) const {
    const double larger = std::max(total(a), total(b));
    return larger > 0 ? std::clamp(cells[a][b].points / larger, 0.0, 1.0) : 0.0;
}

bool FundOverlap::is_identical(size_t a, size_t b) const {
    const std::pair<size_t, size_t> pair{std::min(a, b), std::max(a, b)};
    return std::find(identical.begin(), identical.end(), pair) != identical.end();
}

FundOverlap fund_overlap(const std::vector<FundReport>& reports) {
    FundOverlap overlap;
    std::vector<Holdings> holdings;
    for (size_t r = 0; r < reports.size(); ++r) {
        if (reports[r].rows.empty()) continue;
        overlap.funds.push_back(r);
        holdings.push_back(holdings_of(reports[r]));
    }
    const size_t n = overlap.funds.size();
    overlap.cells.assign(n, std::vector<OverlapCell>(n));
    for (size_t a = 0; a < n; ++a)
        for (size_t b = 0; b < n; ++b) overlap.cells[a][b] = overlap_of(holdings[a], holdings[b]);
    // same_holdings names reports; the matrix counts funds with rows.
    auto position = [&](size_t report) {
        return size_t(std::find(overlap.funds.begin(), overlap.funds.end(), report) -
                      overlap.funds.begin());
    };
    for (const auto& [a, b] : same_holdings(reports))
        overlap.identical.push_back({position(a), position(b)});
    return overlap;
}

}  // namespace qinghe::app
