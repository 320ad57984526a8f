// How much of two funds' money sits in the same stocks. For every pair of
// the funds a run read, the overlap is Σ over the stocks both hold of
// min(ratio in a, ratio in b), in percentage points, with the stocks it
// sums; a fund with itself gives its top-ten total. The window's overlap
// matrix and qinghe-analyse --overlap both take their figures from here.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "analysis/fund_report.h"

namespace qinghe::app {

struct CommonStock {
    std::string name;   // GBK
    float ratio_a = 0;  // in the row's fund, percent
    float ratio_b = 0;  // in the column's fund
};

struct OverlapCell {
    double points = 0;                // Σ min(ratio_a, ratio_b)
    std::vector<CommonStock> common;  // in the order of the row fund's rows
};

struct FundOverlap {
    // The reports (indices) that gave rows, in typed order; matrix
    // positions count in this list.
    std::vector<size_t> funds;
    std::vector<std::vector<OverlapCell>> cells;  // [row][column]
    // Positions (a < b) of funds whose top tens are identical, the same
    // names and ratios in the same order (usually share classes).
    std::vector<std::pair<size_t, size_t>> identical;

    // A fund's top-ten total: the diagonal cell.
    double total(size_t a) const { return cells[a][a].points; }
    // The overlap as a share of the larger of the two totals: 0 when the
    // funds share nothing, 1 when their top tens are the same.
    double similarity(size_t a, size_t b) const;
    bool is_identical(size_t a, size_t b) const;
};

// A stock listed twice by one fund counts once, with its ratios summed; a
// ratio that is not a finite number counts as 0.
FundOverlap fund_overlap(const std::vector<FundReport>& reports);

}  // namespace qinghe::app
