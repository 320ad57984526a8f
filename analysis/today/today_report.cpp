#include "analysis/today/today_report.h"

#include <algorithm>

namespace qinghe::app {
namespace {

constexpr long long kShanghaiOffset = 8 * 3600;
constexpr long long kDay = 86400;

struct Session {
    int from, to;  // minutes of the day; the closing minute counts, for the closing prices
};

constexpr Session kMainland[] = {{9 * 60 + 30, 11 * 60 + 30}, {13 * 60, 15 * 60}};
constexpr Session kHongKong[] = {{9 * 60 + 30, 12 * 60}, {13 * 60, 16 * 60 + 10}};

template <size_t N>
bool in_session(const Session (&sessions)[N], int minute) {
    return std::any_of(std::begin(sessions), std::end(sessions),
                       [&](const Session& s) { return minute >= s.from && minute <= s.to; });
}

long long floor_div(long long a, long long b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

const TodayStock* stock_by_link(const TodayReport& report, const std::string& link) {
    for (const TodayStock& stock : report.stocks)
        if (stock.link == link) return &stock;
    return nullptr;
}

bool market_open(int market, long long unix_seconds) {
    const long long local = unix_seconds + kShanghaiOffset;
    const long long day = floor_div(local, kDay);
    const int weekday = int((day + 4) % 7 + 7) % 7;  // 1970-01-01 was a Thursday; 0 Sunday
    if (weekday == 0 || weekday == 6) return false;
    const int minute = int((local - day * kDay) / 60);
    switch (market) {
    case market::kShanghai:
    case market::kShenzhen: return in_session(kMainland, minute);
    case market::kHongKong: return in_session(kHongKong, minute);
    default: return false;
    }
}

bool any_market_open(const std::vector<TodayStock>& stocks, long long unix_seconds) {
    return std::any_of(stocks.begin(), stocks.end(), [&](const TodayStock& stock) {
        return market_open(stock.id.market, unix_seconds);
    });
}

}  // namespace qinghe::app
