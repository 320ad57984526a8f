// The overlap of funds' top tens, against figures computed by hand: Σ over
// the stocks two funds share of the smaller ratio, the common stocks, the
// diagonal as each fund's total, and identical top tens marked.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "analysis/fund_overlap.h"

namespace qinghe::app {
namespace {

FundReport fund(const std::string& code, std::vector<FundRow> rows) {
    FundReport report{code, rows.empty() ? FundOutcome::no_holdings : FundOutcome::read, {}, {}};
    report.rows = std::move(rows);
    return report;
}

const FundReport kA = fund("100001", {{"X", 8.5f}, {"Y", 6.25f}, {"Z", 3.0f}});
const FundReport kC = fund("100002", {{"X", 8.5f}, {"Y", 6.25f}, {"Z", 3.0f}});  // A's class C
const FundReport kOther = fund("200001", {{"Y", 9.0f}, {"Z", 1.5f}, {"W", 4.0f}});
const FundReport kDisjoint = fund("300001", {{"P", 5.0f}, {"Q", 2.0f}});

struct Case {
    const char* name;
    std::vector<FundReport> reports;
    size_t a, b;  // matrix positions
    double points;
    std::vector<std::string> common;
    bool identical;
    double similarity;  // of the larger total
};

TEST(FundOverlap, CellsMatchHandComputedFigures) {
    const FundReport twice = fund("400001", {{"X", 2.0f}, {"V", 1.0f}, {"X", 3.0f}});
    const FundReport nan_ratio =
        fund("500001", {{"X", std::numeric_limits<float>::quiet_NaN()}, {"Y", 1.0f}});
    const FundReport no_rows = fund("600001", {});
    const Case cases[] = {
        {"disjoint funds share nothing", {kA, kDisjoint}, 0, 1, 0.0, {}, false, 0.0},
        {"a fund with itself is its total", {kA, kOther}, 1, 1, 14.5, {"Y", "Z", "W"}, false, 1},
        {"min per stock: Y 6.25, Z 1.5", {kA, kOther}, 0, 1, 7.75, {"Y", "Z"}, false, 7.75 / 17.75},
        {"the same pair the other way", {kA, kOther}, 1, 0, 7.75, {"Y", "Z"}, false, 7.75 / 17.75},
        {"an A/C pair: all, marked", {kA, kOther, kC}, 0, 2, 17.75, {"X", "Y", "Z"}, true, 1},
        {"a stock listed twice counts summed", {twice, kA}, 0, 1, 5.0, {"X"}, false, 5 / 17.75},
        {"its total counts both rows", {twice, kA}, 0, 0, 6.0, {"X", "V"}, false, 1},
        {"a ratio that is no number counts 0",
         {nan_ratio, kA},
         0,
         1,
         1,
         {"X", "Y"},
         false,
         1 / 17.75},
        // Funds without rows take no place: the positions skip them.
        {"funds without rows are left out",
         {kA, no_rows, kC},
         0,
         1,
         17.75,
         {"X", "Y", "Z"},
         true,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FundOverlap overlap = fund_overlap(c.reports);
        ASSERT_LT(std::max(c.a, c.b), overlap.funds.size());
        const OverlapCell& cell = overlap.cells[c.a][c.b];
        EXPECT_NEAR(cell.points, c.points, 1e-6);
        std::vector<std::string> names;
        for (const CommonStock& s : cell.common) names.push_back(s.name);
        EXPECT_EQ(names, c.common);
        EXPECT_EQ(overlap.is_identical(c.a, c.b), c.identical);
        EXPECT_NEAR(overlap.similarity(c.a, c.b), c.similarity, 1e-6);
    }
    // Each common stock keeps the row fund's ratio first.
    const CommonStock y = fund_overlap({kA, kOther}).cells[1][0].common[0];
    EXPECT_EQ(std::make_pair(y.ratio_a, y.ratio_b), std::make_pair(9.0f, 6.25f));
}

}  // namespace
}  // namespace qinghe::app
