#include "analysis/output/accuracy_listing.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "analysis/output/table_text.h"

namespace qinghe::app {
namespace {

using Json = nlohmann::ordered_json;

// Two decimals; "" for none, and no "-0.00".
std::string two_decimals(const std::optional<double>& figure) {
    if (!figure) return "";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", std::fabs(*figure) < 0.005 ? 0.0 : *figure);
    return text;
}

std::string percent(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", fraction * 100);
    return text;
}

// To `scale` parts of one (10000: four decimals), as JSON prints a decimal.
Json rounded(const std::optional<double>& figure, double scale) {
    if (!figure) return nullptr;
    return std::round(*figure * scale) / scale + 0.0;
}

Json day_json(const EstimatedDay& day) {
    return {{"trading_day", day.estimate.trading_day},
            {"estimate", rounded(day.estimate.change, 1e4)},
            {"published", rounded(day.published, 1e4)},
            {"difference", rounded(day.difference, 1e4)},
            {"coverage", rounded(day.estimate.coverage, 1e3)},
            {"holdings_date", day.estimate.holdings_date},
            {"estimated_at", day.estimate.estimated_at}};
}

Json fund_json(const FundAccuracy& fund) {
    Json days = Json::array();
    for (const EstimatedDay& day : fund.days) days.push_back(day_json(day));
    return {{"code", fund.code},
            {"mean_absolute_difference", rounded(mean_absolute_difference(fund.days), 1e4)},
            {"net_values_error",
             fund.net_values_error.empty() ? Json(nullptr) : Json(fund.net_values_error)},
            {"days", days}};
}

void add_fund_rows(const FundAccuracy& fund, TextTable& table) {
    if (fund.days.empty()) return;
    for (const EstimatedDay& day : fund.days)
        table.push_back({fund.code, day.estimate.trading_day, two_decimals(day.estimate.change),
                         two_decimals(day.published), two_decimals(day.difference),
                         percent(day.estimate.coverage), day.estimate.holdings_date});
    table.push_back({fund.code, "平均绝对差", "", "",
                     two_decimals(mean_absolute_difference(fund.days)), "", ""});
}

}  // namespace

std::string accuracy_listing(const std::vector<FundAccuracy>& funds, OutputFormat format) {
    if (format == OutputFormat::json) {
        Json list = Json::array();
        for (const FundAccuracy& fund : funds) list.push_back(fund_json(fund));
        return Json{{"funds", list}}.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    }
    TextTable table;
    for (const FundAccuracy& fund : funds) add_fund_rows(fund, table);
    return table_text({"代码", "交易日", "估算涨跌%", "公布涨跌%", "差值", "覆盖率%", "持仓报告期"},
                      table, format);
}

}  // namespace qinghe::app
