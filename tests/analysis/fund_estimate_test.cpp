// The estimate of a fund's change today, on tables computed by hand.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/fund_estimate.h"
#include "analysis/today/today_reader.h"

namespace qinghe::app {
namespace {

constexpr std::nullopt_t kNoQuote = std::nullopt;

EstimateInput fund(std::vector<EstimateHolding> holdings, std::optional<double> stock_share) {
    EstimateInput input;
    input.holdings = std::move(holdings);
    input.stock_share = stock_share;
    return input;
}

EstimateInput feeder(std::vector<EstimateHolding> holdings, double stock_share,
                     std::optional<double> etf_share, std::optional<double> etf_change) {
    EstimateInput input = fund(std::move(holdings), stock_share);
    input.feeder = true;
    input.etf_share = etf_share;
    input.etf_change = etf_change;
    return input;
}

TEST(FundEstimate, HandComputedTables) {
    struct Row {
        const char* what;
        EstimateInput input;
        std::optional<double> change;
        double coverage;
        NoEstimate reason;
    };
    const Row rows[] = {
        // 0.8 × (10·2 + 5·(−1) + 5·4) / 20 = 0.8 × 1.75
        {"all quoted", fund({{10, 2}, {5, -1}, {5, 4}}, 80), 1.4, 0.25, NoEstimate::none},
        // the suspended stock leaves both sums: 0.8 × (20 + 20) / 15
        {"one suspended", fund({{10, 2}, {5, kNoQuote}, {5, 4}}, 80), 0.8 * 40 / 15, 15.0 / 80,
         NoEstimate::none},
        {"exactly half quoted", fund({{10, kNoQuote}, {5, 1}, {5, 2}}, 50), 0.5 * 15 / 10,
         10.0 / 50, NoEstimate::none},
        {"under half quoted", fund({{10, kNoQuote}, {5, 1}, {4, 2}}, 50), std::nullopt, 9.0 / 50,
         NoEstimate::few_quotes},
        {"nothing quoted", fund({{10, kNoQuote}}, 50), std::nullopt, 0, NoEstimate::few_quotes},
        {"bond fund", fund({{3, 1}}, 9.99), std::nullopt, 0, NoEstimate::few_stocks},
        {"least stock share", fund({{3, 1}}, 10), 0.1, 0.3, NoEstimate::none},
        {"no asset mix", fund({{10, 1}}, std::nullopt), std::nullopt, 0,
         NoEstimate::stock_share_unknown},
        // 0.934 × 1.2 + (1.12·2 − 1.08) / 100
        {"feeder", feeder({{1.12, 2}, {1.08, -1}}, 2.2, 93.4, 1.2), 1.1324, (93.4 + 2.2) / 95.6,
         NoEstimate::none},
        {"feeder, a direct stock unquoted", feeder({{1.12, 2}, {1.08, kNoQuote}}, 2.2, 93.4, -1),
         -0.934 + 0.0224, (93.4 + 1.12) / 95.6, NoEstimate::none},
        {"feeder, share unknown", feeder({{1.12, 2}}, 2.2, std::nullopt, 1.2), std::nullopt, 0,
         NoEstimate::etf_share_unknown},
        {"feeder, ETF unquoted", feeder({{1.12, 2}}, 2.2, 93.4, std::nullopt), std::nullopt,
         (93.4 + 1.12) / 95.6, NoEstimate::etf_unquoted},
    };
    for (const Row& row : rows) {
        const FundEstimate estimate = estimate_fund(row.input);
        EXPECT_EQ(estimate.reason, row.reason) << row.what;
        ASSERT_EQ(estimate.change.has_value(), row.change.has_value()) << row.what;
        if (row.change) {
            EXPECT_NEAR(*estimate.change, *row.change, 1e-9) << row.what;
        }
        EXPECT_NEAR(estimate.coverage, row.coverage, 1e-9) << row.what;
    }
    EXPECT_DOUBLE_EQ(money_change(20000, 1.4), 280);
    EXPECT_DOUBLE_EQ(money_change(12345.67, -2), -246.9134);
}

// From a fund's report and its stocks' quotes: a suspended stock (a quote
// without a change) and a row without a stock link count in the known weight
// only; the money is the amount times the estimate.
TEST(FundEstimate, FromAFundsRowsQuotesAndAmount) {
    const auto quote = [](std::optional<double> change) {
        Quote q;
        q.change = change;
        return q;
    };
    const Quote up2 = quote(2), up4 = quote(4), up1 = quote(1), suspended = quote(std::nullopt);
    struct Row {
        const char* what;
        std::vector<float> ratios;
        std::vector<const Quote*> quotes;
        double stock_share, amount;
        std::optional<double> change, money;
        double coverage;
        // A feeder: its rows from `through_etf` on are held through the ETF.
        size_t through_etf = SIZE_MAX;
        std::optional<double> etf_share = std::nullopt;
        const Quote* etf = nullptr;
    };
    const Row rows[] = {
        // 0.8 × (10·2 + 5·4) / 15; 10000 × 2.1333… %
        {"suspended stock",
         {10, 5, 5},
         {&up2, &suspended, &up4},
         80,
         10000,
         0.8 * 40 / 15,
         10000 * 0.8 * 40 / 15 / 100,
         15.0 / 80},
        // 10 of 20 quoted: 0.5 × (6·1 + 4·2) / 10
        {"half the weight, an unlinked row",
         {10, 6, 4},
         {nullptr, &up1, &up2},
         50,
         5000,
         0.7,
         35,
         0.2},
        // 9.9 of 19.9 quoted: under half
        {"under half the weight",
         {10, 6, 3.9f},
         {nullptr, &up1, &up2},
         50,
         5000,
         std::nullopt,
         std::nullopt,
         9.9 / 50},
        // a quote list shorter than the rows: the rest unquoted, known
        {"rows beyond the quotes",
         {5, 5, 11},
         {&up2, &up4},
         100,
         20000,
         std::nullopt,
         std::nullopt,
         0.1},
        // 0.9 × 1 + (1·2 + 0.5·4) / 100; the 9 through the ETF move with its quote
        {"feeder", {1, 0.5, 9}, {&up2, &up4, &up1}, 2, 10000, 0.94, 94, 91.5 / 92, 2, 90, &up1},
        {"feeder, share unknown",
         {1, 9},
         {&up2, &up1},
         2,
         10000,
         std::nullopt,
         std::nullopt,
         0,
         1,
         std::nullopt,
         &up1},
    };
    for (const Row& row : rows) {
        FundReport report;
        for (float ratio : row.ratios) report.rows.emplace_back().ratio = ratio;
        report.assets.emplace().stocks = row.stock_share;
        if (row.through_etf != SIZE_MAX) {
            report.target_etf = TargetEtf{"510300", "", row.etf_share};
            for (size_t i = row.through_etf; i < report.rows.size(); ++i)
                report.rows[i].via = "510300";
        }
        const FundEstimate estimate = estimate_fund(estimate_input(report, row.quotes, row.etf));
        ASSERT_EQ(estimate.change.has_value(), row.change.has_value()) << row.what;
        EXPECT_NEAR(estimate.coverage, row.coverage, 1e-6) << row.what;
        if (!row.change) continue;
        EXPECT_NEAR(*estimate.change, *row.change, 1e-6) << row.what;
        EXPECT_NEAR(money_change(row.amount, *estimate.change), *row.money, 1e-6) << row.what;
    }
}

}  // namespace
}  // namespace qinghe::app
