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
};

TEST(FundOverlap, CellsMatchHandComputedFigures) {
    const FundReport twice = fund("400001", {{"X", 2.0f}, {"V", 1.0f}, {"X", 3.0f}});
    const FundReport nan_ratio =
        fund("500001", {{"X", std::numeric_limits<float>::quiet_NaN()}, {"Y", 1.0f}});
    const Case cases[] = {
        {"disjoint funds share nothing", {kA, kDisjoint}, 0, 1, 0.0, {}, false},
        {"a fund with itself is its total", {kA, kOther}, 1, 1, 14.5, {"Y", "Z", "W"}, false},
        {"min per stock: Y 6.25, Z 1.5", {kA, kOther}, 0, 1, 7.75, {"Y", "Z"}, false},
        {"the same pair the other way", {kA, kOther}, 1, 0, 7.75, {"Y", "Z"}, false},
        {"an A/C pair: all of it, marked", {kA, kOther, kC}, 0, 2, 17.75, {"X", "Y", "Z"}, true},
        {"a stock listed twice counts summed", {twice, kA}, 0, 1, 5.0, {"X"}, false},
        {"its total counts both rows", {twice, kA}, 0, 0, 6.0, {"X", "V"}, false},
        {"a ratio that is no number counts 0", {nan_ratio, kA}, 0, 1, 1.0, {"X", "Y"}, false},
        // Funds without rows take no place: the positions skip them.
        {"funds without rows are left out",
         {kA, fund("600001", {}), kC},
         0,
         1,
         17.75,
         {"X", "Y", "Z"},
         true},
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
    }
}

TEST(FundOverlap, SimilarityRunsFromNothingSharedToIdenticalAndKeepsBothRatios) {
    const FundOverlap overlap = fund_overlap({kA, kOther, kC, kDisjoint});
    EXPECT_EQ(overlap.funds, (std::vector<size_t>{0, 1, 2, 3}));
    EXPECT_DOUBLE_EQ(overlap.similarity(0, 3), 0.0);
    EXPECT_DOUBLE_EQ(overlap.similarity(0, 2), 1.0);
    EXPECT_DOUBLE_EQ(overlap.similarity(1, 1), 1.0);
    EXPECT_NEAR(overlap.similarity(0, 1), 7.75 / 17.75, 1e-9);  // of the larger total
    const CommonStock& y = overlap.cells[0][1].common[0];
    EXPECT_EQ(std::make_pair(y.ratio_a, y.ratio_b), std::make_pair(6.25f, 9.0f));
    EXPECT_EQ(overlap.identical, (std::vector<std::pair<size_t, size_t>>{{0, 2}}));
}

}  // namespace
}  // namespace qinghe::app
