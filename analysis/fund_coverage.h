// How much of a fund the list shows: its top-ten sum against the share of
// its net assets in stocks, as its newest asset allocation gives it; and,
// with amounts, how much of the user's money is in stocks and how much of
// that the list shows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/fund_report.h"

namespace qinghe::app {

// Σ of the ratios of the fund's own rows (not those held through its target
// ETF, which its stock share does not count), in percent of net assets.
double top_ten_sum(const FundReport& fund);

// top-ten sum ÷ stock share, a fraction; nothing when the mix is unknown or
// the fund holds no stocks.
std::optional<double> coverage(const FundReport& fund);

struct MoneyCoverage {
    double in_stocks = 0;  // Σ amount × stock share / 100
    double shown = 0;      // Σ amount × top-ten sum / 100
    bool known = false;    // some fund with an amount has a known mix
};

// Over the funds with an amount and a known mix; `amounts` one per fund.
MoneyCoverage money_coverage(const std::vector<FundReport>& funds,
                             const std::vector<double>& amounts);

// "股票 ¥412,300 中列表显示 ¥236,880 (57%)" (UTF-8) with `yuan` as the
// sign; empty when nothing is known.
std::string money_coverage_line(const MoneyCoverage& money, const char* yuan = "¥");

// The fund's part of a row's tip (GBK): " [前十 45.2% / 股票 92.1% = 49%]",
// " 资产配置未知" when it was asked and could not be had, else empty.
std::string coverage_note(const FundReport& fund);

}  // namespace qinghe::app
