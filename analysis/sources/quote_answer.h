// The answers of the quote services for the stocks the funds hold.
//
// The list endpoint (api/qt/ulist.np/get?fltt=2&fields=f2,f3,f12,f13,f14,f18,f124,f297&secids=…):
//   {"rc":0,"data":{"total":2,"diff":[{"f2":1258.99,"f3":0.63,"f12":"600519","f13":1,
//     "f14":"…","f18":1251.1,"f124":1790755897,"f297":20260930},…]}}
// f2 price, f3 change in percent, f18 previous close, f124 Unix seconds of the
// quote, f297 the trading day; "-" where a figure is missing (a suspended
// stock); `diff` may be an object keyed "0", "1", …; rc other than 0 (102:
// every secid unknown) has no data. Asked without fltt=2 the prices and the
// change come as integers scaled by 100 (by 1000 for Hong Kong).
//
// The text endpoint (q=sh600519,sz300750,hk00700), one line a stock:
//   v_sh600519="1~name~600519~1258.99~1251.10~…";
// fields by "~": [1] name, [2] code, [3] price, [4] previous close, [30]
// time (20260727145133, or 2026/07/27 14:36:32 for Hong Kong, Asia/Shanghai
// time), [31] change, [32] change in percent; v_pv_none_match="1"; for an
// unknown code. It comes in GBK: the caller converts it to UTF-8 first (a
// GBK byte after a lead byte may be "~").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::app {

// Markets as the list endpoint numbers them.
namespace market {
inline constexpr int kShenzhen = 0;  // and Beijing
inline constexpr int kShanghai = 1;
inline constexpr int kHongKong = 116;
}  // namespace market

struct Quote {
    int market = 0;
    std::string code;
    std::string name;  // UTF-8
    std::optional<double> price;
    std::optional<double> change;  // percent against the previous close
    std::optional<double> previous_close;
    long long quoted_at = 0;  // Unix seconds; 0 when unknown
    int trading_day = 0;      // YYYYMMDD; 0 when unknown
};

struct QuoteAnswer {
    std::vector<Quote> quotes;  // in the answer's order
    std::string error;          // why there are none: "JSON error", "rc 102" …
};

enum class QuoteNumbers { decimal, scaled };  // asked with fltt=2, or without

inline constexpr size_t kLargestQuoteAnswer = size_t(4) << 20;
inline constexpr size_t kDeepestQuoteAnswer = 16;

QuoteAnswer read_quote_list_answer(std::string_view body, QuoteNumbers numbers);
QuoteAnswer read_text_quote_answer(std::string_view utf8_body);

// The latest trading day among the quotes; a quote of an earlier day is no
// quote today (a stock suspended since, a market closed for a holiday).
int latest_trading_day(const std::vector<Quote>& quotes);

}  // namespace qinghe::app
