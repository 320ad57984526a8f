#include "analysis/output/holder_tips.h"

#include <cstdio>

#include "analysis/code_line.h"
#include "analysis/core_calls.h"
#include "analysis/decimal_numbers.h"
#include "analysis/fund_coverage.h"
#include "analysis/holding_list.h"
#include "analysis/look_through.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

// " 增持 +1.05", " 新增", " 持平"; empty when the change is not known.
std::string change_text(const FundRow& row) {
    if (row.change.empty()) return {};
    std::string text = ' ' + row.change;
    if (row.change_points && *row.change_points != 0) {
        char points[32];
        std::snprintf(points, sizeof points, " %+.2f", double(*row.change_points));
        text += points;
    }
    return text;
}

std::string float_text(float value) {
    OwnedText text(to_text(TaggedArg::of_float(value)));
    return text ? text.get() : "";
}

// " 经 510300 沪深300ETF 93.4%" for a row held through the target ETF.
std::string via_text(const FundReport& fund, const FundRow& row) {
    if (row.via.empty() || !fund.target_etf) return {};
    const TargetEtf& etf = *fund.target_etf;
    std::string text = platform::gbk_from_utf8(" 经 ") + etf.code;
    if (!etf.name.empty()) text += ' ' + etf.name;
    return text + ' ' + float_text(float(etf.share.value_or(0))) + '%';
}

// " 联接基金, 目标ETF份额未知" for a feeder shown by its own rows only.
std::string feeder_note(const FundReport& fund) {
    if (!fund.target_etf || fund.through_etf == ThroughEtf::added) return {};
    return platform::gbk_from_utf8(fund.through_etf == ThroughEtf::share_unknown
                                       ? " 联接基金, 目标ETF份额未知"
                                       : " 联接基金, 目标ETF持仓未读到");
}

std::string tip_line(const FundReport& fund, const FundShare& share) {
    OwnedText ratio_text(to_text(TaggedArg::of_float(share.ratio)));
    std::string line = fund.code;
    if (!fund.facts.name.empty()) line += ' ' + fund.facts.name;
    line += ' ' + std::string(ratio_text ? ratio_text.get() : "") + '%';
    if (fund.cached) line += " (" + platform::gbk_from_utf8("缓存 ") + fund.facts.report_date + ')';
    else if (!fund.facts.report_date.empty()) line += " (" + fund.facts.report_date + ')';
    const FundRow& row = fund.rows[share.row];
    return line + change_text(row) + via_text(fund, row) + feeder_note(fund);
}

// "报告期不同: 2022-06-30, 2022-09-30" when the dates differ, else empty.
std::string dates_line(const std::vector<FundReport>& funds) {
    const std::vector<std::string> dates = report_dates(funds);
    if (dates.size() < 2) return {};
    std::string line = platform::gbk_from_utf8("报告期不同: ");
    for (size_t i = 0; i < dates.size(); ++i) line += (i ? ", " : "") + dates[i];
    return line;
}

// " ￥1,234.56": the fund's part of the user's money in the stock.
std::string money_text(const FundShare& share, const std::vector<double>& amounts) {
    if (amounts.empty()) return {};
    return ' ' + platform::gbk_from_utf8("￥") + yuan_text(money_part(share, amounts));
}

}  // namespace

HolderTips holder_tips(const ArrayBlock* merged, const std::vector<FundReport>& funds) {
    const auto holders = look_through(merged, funds);
    const std::vector<double> amounts = fund_amounts(funds);
    const std::string dates = dates_line(funds);
    HolderTips tips;
    for (size_t i = 0; i < holders.size(); ++i) {
        std::string tip;
        for (const FundShare& share : holders[i])
            tip += (tip.empty() ? "" : "\n") + tip_line(funds[share.fund], share) +
                   money_text(share, amounts) + coverage_note(funds[share.fund]);
        if (!dates.empty()) tip += (tip.empty() ? "" : "\n") + dates;
        const char* name = record_at(merged, int32_t(i + 1))->stock_name;
        tips.emplace(name ? name : "", std::move(tip));
    }
    return tips;
}

}  // namespace qinghe::app
