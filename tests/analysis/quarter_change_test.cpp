#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "analysis/quarter_change.h"

namespace qinghe::app {
namespace {

std::vector<FundRow> rows(std::initializer_list<std::pair<const char*, float>> list) {
    std::vector<FundRow> out;
    for (auto [name, ratio] : list) out.push_back({name, ratio, {}, {}});
    return out;
}

struct Expected {
    const char* word;
    std::optional<float> points;
};

TEST(QuarterChange, EachNewestRowGetsItsWordAndPointsAndTheMissingOnesExit) {
    const QuarterChange change = compare_quarters(
        rows({{"A", 8.25f}, {"B", 5.00f}, {"C", 4.10f}, {"D", 3.33f}}),
        rows({{"B", 6.20f}, {"A", 7.20f}, {"E", 2.50f}, {"D", 3.33f}, {"F", 1.00f}, {"E", 9.0f}}));
    const Expected expected[] = {{change_word::kRaised, 1.05f},
                                 {change_word::kCut, -1.20f},
                                 {change_word::kNew, std::nullopt},
                                 {change_word::kUnchanged, 0.0f}};
    ASSERT_EQ(change.rows.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(change.rows[i].change, expected[i].word) << i;
        EXPECT_EQ(change.rows[i].change_points, expected[i].points) << i;
    }
    ASSERT_EQ(change.exited.size(), 2u) << "a stock listed twice exits once";
    EXPECT_EQ(change.exited[0].stock_name, "E");
    EXPECT_FLOAT_EQ(change.exited[0].ratio, 2.50f);
    EXPECT_EQ(change.exited[1].stock_name, "F");
    EXPECT_TRUE(change.exited[1].change.empty());
}

TEST(QuarterChange, WithoutAPreviousQuarterEveryRowIsNew) {
    const QuarterChange change = compare_quarters(rows({{"A", 1.0f}}), {});
    EXPECT_EQ(change.rows[0].change, change_word::kNew);
    EXPECT_TRUE(change.exited.empty());
}

}  // namespace
}  // namespace qinghe::app
