// The pieces of today's reading that need no server: which stock a holding's
// link names, and when the markets are open.
#include <gtest/gtest.h>

#include "analysis/today/quote_sources.h"
#include "analysis/today/today_report.h"

namespace qinghe::app {
namespace {

TEST(TodayStocks, LinksNameTheirStockAndEachServiceItsName) {
    const struct {
        const char* link;
        std::optional<StockId> stock;
        const char* secid;
        const char* symbol;
    } rows[] = {
        {"https://quote.eastmoney.com/unify/r/1.600519", StockId{1, "600519"}, "1.600519",
         "sh600519"},
        {"http://quote.example.com/unify/r/0.300750?from=fund", StockId{0, "300750"}, "0.300750",
         "sz300750"},
        {"//quote.example.com/r/116.00700", StockId{116, "00700"}, "116.00700", "hk00700"},
        {"//quote.example.com/r/0.830799", StockId{0, "830799"}, "0.830799", "bj830799"},
        {"//quote.example.com/r/105.NVDA", std::nullopt, "", ""},  // no digits: not a code
        {"//quote.example.com/r/106.12345", StockId{106, "12345"}, "106.12345", ""},
        {"//quote.example.com/unify/r/", std::nullopt, "", ""},
        {"//quote.example.com/r/1.", std::nullopt, "", ""},
        {"//quote.example.com/r/99999.600519", std::nullopt, "", ""},
        {"", std::nullopt, "", ""},
    };
    for (const auto& row : rows) {
        const std::optional<StockId> stock = stock_of_link(row.link);
        ASSERT_EQ(stock.has_value(), row.stock.has_value()) << row.link;
        if (!stock) continue;
        EXPECT_EQ(*stock, *row.stock) << row.link;
        EXPECT_EQ(secid(*stock), row.secid) << row.link;
        EXPECT_EQ(text_symbol(*stock), row.symbol) << row.link;
    }
}

TEST(TodayMarkets, OpenOnWeekdaysInTheirSessionsShanghaiTime) {
    // Unix seconds of Wednesday 2026-12-09 09:29 in Asia/Shanghai, and a
    // minute's offsets from it.
    constexpr long long kWednesday0929 = 1796779740;
    const auto at = [](int hour, int minute) {
        return kWednesday0929 + ((hour * 60 + minute) - (9 * 60 + 29)) * 60LL;
    };
    const struct {
        long long when;
        bool mainland, hong_kong;
    } rows[] = {
        {at(9, 29), false, false},
        {at(9, 30), true, true},
        {at(11, 30), true, true},
        {at(11, 31), false, true},
        {at(12, 0), false, true},
        {at(12, 1), false, false},
        {at(12, 59), false, false},
        {at(13, 0), true, true},
        {at(15, 0), true, true},
        {at(15, 1), false, true},
        {at(16, 10), false, true},
        {at(16, 11), false, false},
        {at(10, 0) + 3 * 86400, false, false},  // Saturday
        {at(10, 0) + 4 * 86400, false, false},  // Sunday
        {at(10, 0) + 5 * 86400, true, true},    // Monday
    };
    for (const auto& row : rows) {
        EXPECT_EQ(market_open(market::kShanghai, row.when), row.mainland) << row.when;
        EXPECT_EQ(market_open(market::kShenzhen, row.when), row.mainland) << row.when;
        EXPECT_EQ(market_open(market::kHongKong, row.when), row.hong_kong) << row.when;
        EXPECT_FALSE(market_open(105, row.when)) << row.when;
    }
    const std::vector<TodayStock> stocks = {{{1, "600519"}, "", "", std::nullopt, ""},
                                            {{116, "00700"}, "", "", std::nullopt, ""}};
    EXPECT_TRUE(any_market_open(stocks, at(15, 30)));
    EXPECT_FALSE(any_market_open({stocks[0]}, at(15, 30)));
}

}  // namespace
}  // namespace qinghe::app
