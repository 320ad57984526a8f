#include "analysis/today/today_history.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis/history/estimate_store.h"
#include "analysis/history/published_values.h"

namespace qinghe::app {
namespace {

bool six_digits(const std::string& code) {
    return code.size() == 6 &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "2026-12-09" for 20261209.
std::string iso_day(int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day / 10000, day / 100 % 100, day % 100);
    return text;
}

// 20261209 for "2026-12-09".
int day_number(const std::string& iso) {
    int year = 0, month = 0, day = 0;
    if (std::sscanf(iso.c_str(), "%4d-%2d-%2d", &year, &month, &day) != 3) return 0;
    return year * 10000 + month * 100 + day;
}

// The funds whose newest stored estimate still waits for its published
// change: only they can show one that the history lacks.
std::vector<std::string> waiting_for_published(HistoryStore& store,
                                               const std::vector<FundReport>& funds) {
    std::vector<std::string> codes;
    for (const FundReport& fund : funds) {
        const std::string code = fund.code.substr(0, 6);
        if (!six_digits(code) || std::find(codes.begin(), codes.end(), code) != codes.end())
            continue;
        const std::vector<EstimatedDay> days = estimated_days(store, code);
        if (!days.empty() && !days.front().published) codes.push_back(code);
    }
    return codes;
}

}  // namespace

void before_today_reading(HistoryStore* store, TodayReader& reader, net::DownloadEngine* engine,
                          std::string_view nav_base, const std::vector<FundReport>& funds) {
    if (!store) return;
    if (engine) {
        const std::vector<std::string> codes = waiting_for_published(*store, funds);
        if (!codes.empty()) refresh_published_values(*store, *engine, nav_base, codes);
    }
    reader.set_previous_days(
        [store](const std::string& code, int trading_day) -> std::optional<PreviousDay> {
            const std::optional<EstimatedDay> day =
                previous_day_estimate(*store, code, iso_day(trading_day));
            if (!day) return std::nullopt;
            return PreviousDay{day_number(day->estimate.trading_day), day->estimate.change,
                               day->published};
        });
}

void after_today_reading(HistoryStore* store, TodayReader& reader, const TodayReport& report) {
    reader.set_previous_days({});
    if (!store || !report.trading_day) return;
    for (const TodayFund& fund : report.funds)
        if (fund.estimate.change)
            store_estimate(*store, {fund.code, iso_day(report.trading_day), *fund.estimate.change,
                                    fund.estimate.coverage, fund.holdings_date, ""});
}

}  // namespace qinghe::app
