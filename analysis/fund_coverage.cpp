#include "analysis/fund_coverage.h"

#include <cmath>
#include <cstdio>

#include "analysis/decimal_numbers.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

// Whole yuan with groups of three digits ("412,300").
std::string whole_yuan(double amount) {
    const std::string text = yuan_text(std::round(amount));
    return text.size() > 3 ? text.substr(0, text.size() - 3) : text;
}

std::string percent(double value, const char* format) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

double top_ten_sum(const FundReport& fund) {
    double sum = 0;
    for (const FundRow& row : fund.rows)
        if (row.via.empty()) sum += row.ratio;
    return sum;
}

std::optional<double> coverage(const FundReport& fund) {
    if (!fund.assets || !fund.assets->stocks || *fund.assets->stocks <= 0) return std::nullopt;
    return top_ten_sum(fund) / *fund.assets->stocks;
}

MoneyCoverage money_coverage(const std::vector<FundReport>& funds,
                             const std::vector<double>& amounts) {
    MoneyCoverage money;
    for (size_t f = 0; f < funds.size() && f < amounts.size(); ++f) {
        if (amounts[f] <= 0 || !funds[f].assets) continue;
        money.known = true;
        money.in_stocks += amounts[f] * funds[f].assets->stocks.value_or(0) / 100;
        money.shown += amounts[f] * top_ten_sum(funds[f]) / 100;
    }
    return money;
}

std::string money_coverage_line(const MoneyCoverage& money, const char* yuan) {
    if (!money.known) return {};
    std::string line = "股票 " + std::string(yuan) + whole_yuan(money.in_stocks) + " 中列表显示 " +
                       yuan + whole_yuan(money.shown);
    if (money.in_stocks > 0) line += percent(money.shown / money.in_stocks * 100, " (%.0f%%)");
    return line;
}

std::string coverage_note(const FundReport& fund) {
    if (!fund.assets)
        return fund.assets_reason.empty() ? std::string()
                                          : platform::gbk_from_utf8(" 资产配置未知");
    std::string note = percent(top_ten_sum(fund), " [前十 %.2f%% / 股票 ");
    if (const std::optional<double> shown = coverage(fund))
        note += percent(*fund.assets->stocks, "%.2f%% = ") + percent(*shown * 100, "%.0f%%]");
    else note += "0%]";
    return platform::gbk_from_utf8(note);
}

}  // namespace qinghe::app
