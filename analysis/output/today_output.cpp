#include "analysis/output/today_output.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

using Json = nlohmann::ordered_json;

std::string utf8(const std::string& gbk) { return platform::utf8_from_gbk(gbk); }

std::string fixed(double value, int decimals) {
    if (!std::isfinite(value)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string fixed(const std::optional<double>& value, int decimals) {
    return value ? fixed(*value, decimals) : std::string();
}

// A figure rounded as printed, or null.
Json rounded(const std::optional<double>& value, int decimals) {
    if (!value || !std::isfinite(*value)) return Json();
    const double scale = std::pow(10.0, decimals);
    return Json(std::round(*value * scale) / scale);
}

std::string day_text(int day) {
    if (!day) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day / 10000, day / 100 % 100, day % 100);
    return text;
}

// --- TSV and CSV --------------------------------------------------------

std::vector<std::string> fund_fields(const TodayFund& fund) {
    const std::optional<PreviousDay>& before = fund.previous;
    return {fund.code,
            utf8(fund.name),
            fixed(fund.estimate.change, 2),
            fund.estimate.change || fund.estimate.coverage > 0
                ? fixed(fund.estimate.coverage * 100, 1)
                : "",
            shanghai_time(fund.quoted_at),
            fixed(fund.amount, 2),
            fixed(fund.money, 2),
            fund.reason,
            before ? day_text(before->trading_day) : "",
            before ? fixed(before->estimate, 2) : "",
            before ? fixed(before->published, 2) : ""};
}

std::vector<std::string> total_fields(const TodayReport& report) {
    double amount = 0;
    for (const TodayFund& fund : report.funds)
        if (fund.money) amount += fund.amount.value_or(0);
    return {"total", "", "", "", "", fixed(amount, 2), fixed(report.total_money, 2),
            "",      "", "", ""};
}

std::string joined(const std::vector<std::string>& fields, char separator,
                   std::string (*field)(const std::string&)) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i)
        line += (i ? std::string(1, separator) : "") + field(fields[i]);
    return line + (separator == ',' ? "\r\n" : "\n");
}

std::string as_tsv(const std::string& field) { return tsv_field(field); }

std::string table(const TodayReport& report, char separator) {
    std::string out;
    const auto field = separator == ',' ? &csv_field : &as_tsv;
    if (separator == ',')
        out =
            "\xEF\xBB\xBF"
            "基金代码,基金名称,估算涨跌,覆盖,行情时间,持有金额,今日盈亏,原因,上一交易日,"
            "上一日估算,公布涨跌\r\n";
    for (const TodayFund& fund : report.funds) out += joined(fund_fields(fund), separator, field);
    if (report.total_money) out += joined(total_fields(report), separator, field);
    return out;
}

// --- JSON ----------------------------------------------------------------

Json json_holding(const TodayReport& report, const TodayHolding& holding) {
    const TodayStock* stock = holding.stock ? &report.stocks[*holding.stock] : nullptr;
    const Quote* quote = stock && stock->quote ? &*stock->quote : nullptr;
    Json out;
    out["name"] = utf8(holding.name);
    out["ratio"] = rounded(holding.ratio, 2);
    out["link"] = holding.link.empty() ? Json() : Json(utf8(holding.link));
    out["price"] = quote ? rounded(quote->price, 3) : Json();
    out["change"] = quote ? rounded(quote->change, 2) : Json();
    out["quoted_at"] = quote && quote->quoted_at ? Json(shanghai_time(quote->quoted_at)) : Json();
    out["reason"] = quote ? Json() : Json(stock ? stock->reason : "no stock link");
    return out;
}

Json json_previous(const std::optional<PreviousDay>& before) {
    if (!before) return Json();
    Json out;
    out["day"] = day_text(before->trading_day);
    out["estimate"] = rounded(before->estimate, 2);
    out["published"] = rounded(before->published, 2);
    return out;
}

Json json_fund(const TodayReport& report, const TodayFund& fund) {
    Json out;
    out["code"] = fund.code;
    out["name"] = fund.name.empty() ? Json() : Json(utf8(fund.name));
    out["holdings_date"] = fund.holdings_date.empty() ? Json() : Json(fund.holdings_date);
    out["estimate"] = rounded(fund.estimate.change, 4);
    out["coverage"] = rounded(fund.estimate.coverage, 4);
    out["quoted_at"] = fund.quoted_at ? Json(shanghai_time(fund.quoted_at)) : Json();
    out["reason"] = fund.reason.empty() ? Json() : Json(fund.reason);
    out["amount"] = rounded(fund.amount, 2);
    out["money"] = rounded(fund.money, 2);
    out["previous"] = json_previous(fund.previous);
    Json holdings = Json::array();
    for (const TodayHolding& holding : fund.holdings)
        holdings.push_back(json_holding(report, holding));
    out["holdings"] = std::move(holdings);
    return out;
}

std::string json(const TodayReport& report) {
    Json document;
    document["trading_day"] = report.trading_day ? Json(day_text(report.trading_day)) : Json();
    document["read_at"] = shanghai_time(report.read_at);
    document["market_open"] = report.market_open;
    document["quote_fault"] = report.quote_fault.empty() ? Json() : Json(report.quote_fault);
    document["total_money"] = rounded(report.total_money, 2);
    Json funds = Json::array();
    for (const TodayFund& fund : report.funds) funds.push_back(json_fund(report, fund));
    document["funds"] = std::move(funds);
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// Howard Hinnant's days-to-civil: the date of a day counted from 1970-01-01.
void civil_from_days(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

}  // namespace

std::string shanghai_time(long long unix_seconds) {
    if (!unix_seconds) return {};
    const long long local = unix_seconds + 8 * 3600;
    const long long days = local / 86400 - (local % 86400 < 0 ? 1 : 0);
    const long long second = local - days * 86400;
    int year = 0, month = 0, day = 0;
    civil_from_days(days, year, month, day);
    char text[64];  // room for any year the days may give
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:%02lld:%02lld", year, month, day,
                  second / 3600, second / 60 % 60, second % 60);
    return text;
}

std::string format_today(const TodayReport& report, OutputFormat format) {
    switch (format) {
    case OutputFormat::csv: return table(report, ',');
    case OutputFormat::json: return json(report);
    case OutputFormat::tsv: break;
    }
    return table(report, '\t');
}

}  // namespace qinghe::app
