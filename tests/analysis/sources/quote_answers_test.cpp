// The answers of the asset-allocation endpoint and the quote services, in
// the variants the site sends.
#include <gtest/gtest.h>

#include <string>

#include "analysis/sources/asset_mix_answer.h"
#include "analysis/sources/quote_answer.h"

namespace qinghe::app {
namespace {

TEST(AssetMixAnswer, TakesTheNewestReportAndReadsEachShare) {
    const AssetMixAnswer answer = read_asset_mix_answer(
        R"({"Datas":[{"FSRQ":"2026-09-30","GP":"92.10","ZQ":3.2,"HB":"5.02","JJ":"--","QT":"250","JZC":"12.53"},)"
        R"({"FSRQ":"2026-06-30","GP":"80","ZQ":"1","HB":"2","JJ":"--","QT":"0","JZC":"9"},)"
        R"({"FSRQ":"2026-13-45","GP":"1"},{"GP":"2"}],"ErrCode":0,"Success":true})");
    ASSERT_TRUE(answer.newest) << answer.error;
    const AssetMix& mix = *answer.newest;
    EXPECT_EQ(mix.date, "2026-09-30");
    EXPECT_DOUBLE_EQ(mix.stocks.value(), 92.10);
    EXPECT_DOUBLE_EQ(mix.bonds.value(), 3.2);
    EXPECT_DOUBLE_EQ(mix.cash.value(), 5.02);
    EXPECT_EQ(mix.funds, 0.0);            // "--": none
    EXPECT_FALSE(mix.other.has_value());  // 250 % is no share
    EXPECT_DOUBLE_EQ(mix.net_assets.value(), 12.53);
}

TEST(AssetMixAnswer, GivesTheReasonWhenThereIsNoMix) {
    const struct {
        const char* body;
        const char* error;
    } rows[] = {
        {R"({"Datas":null,"ErrCode":61,"Success":false,"ErrMsg":"busy"})",
         "failure (ErrCode 61) busy"},
        {R"({"Datas":[],"ErrCode":0,"Success":true})", "no asset allocation"},
        {R"({"Datas":[{"GP":"90"}],"ErrCode":0})", "no asset allocation"},
        {R"({"Datas":[{"FSRQ":)", "JSON error"},
        {"[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]", "JSON too deep"},
    };
    for (const auto& row : rows) {
        const AssetMixAnswer answer = read_asset_mix_answer(row.body);
        EXPECT_FALSE(answer.newest) << row.body;
        EXPECT_EQ(answer.error, row.error) << row.body;
    }
    // A money fund holds no stocks.
    const AssetMixAnswer money = read_asset_mix_answer(
        R"({"Datas":[{"FSRQ":"2026-09-30","GP":"--","ZQ":"40.1","HB":"59.9"}],"ErrCode":0})");
    ASSERT_TRUE(money.newest);
    EXPECT_EQ(money.newest->stocks, 0.0);
}

TEST(QuoteAnswer, ListReadsBothNumberFormsMissingFiguresAndKeyedLists) {
    const QuoteAnswer decimal = read_quote_list_answer(
        R"({"rc":0,"data":{"total":3,"diff":[)"
        R"({"f2":1258.99,"f3":0.63,"f12":"600519","f13":1,"f14":"岚溪酒业","f18":1251.1,"f124":1790755897,"f297":20260930},)"
        R"({"f2":"-","f3":"-","f12":"300750","f13":0,"f14":"停牌","f18":210.5,"f124":1790700000,"f297":20260929},)"
        R"({"f2":352.4,"f3":-1.2,"f12":"00700","f13":116,"f14":"港股","f18":356.68},)"
        R"({"f2":1.5,"f12":"600000","f13":1161790755897},{"f2":1.5,"f12":"600001","f13":1.5}]}})",
        QuoteNumbers::decimal);  // the last two name no market
    ASSERT_EQ(decimal.quotes.size(), 3u) << decimal.error;
    EXPECT_EQ(decimal.quotes[0].market, market::kShanghai);
    EXPECT_EQ(decimal.quotes[0].name, "岚溪酒业");
    EXPECT_DOUBLE_EQ(decimal.quotes[0].price.value(), 1258.99);
    EXPECT_DOUBLE_EQ(decimal.quotes[0].change.value(), 0.63);
    EXPECT_EQ(decimal.quotes[0].quoted_at, 1790755897);
    EXPECT_FALSE(decimal.quotes[1].price || decimal.quotes[1].change);
    EXPECT_EQ(latest_trading_day(decimal.quotes), 20260930);

    const QuoteAnswer scaled = read_quote_list_answer(
        R"({"rc":0,"data":{"diff":{"1":{"f2":352400,"f3":-120,"f12":"00700","f13":116,"f18":356680},)"
        R"("0":{"f2":125899,"f3":63,"f12":"600519","f13":1,"f18":125110},)"
        R"("10":{"f2":1000,"f3":0,"f12":"000001","f13":0}}}})",
        QuoteNumbers::scaled);
    ASSERT_EQ(scaled.quotes.size(), 3u) << scaled.error;
    EXPECT_EQ(scaled.quotes[0].code, "600519");  // keys in numeric order
    EXPECT_EQ(scaled.quotes[2].code, "000001");
    EXPECT_DOUBLE_EQ(scaled.quotes[0].price.value(), 1258.99);
    EXPECT_DOUBLE_EQ(scaled.quotes[0].change.value(), 0.63);
    EXPECT_DOUBLE_EQ(scaled.quotes[1].price.value(), 352.4);  // Hong Kong: by 1000
    EXPECT_DOUBLE_EQ(scaled.quotes[1].previous_close.value(), 356.68);

    EXPECT_EQ(read_quote_list_answer(R"({"rc":102,"data":null})", QuoteNumbers::decimal).error,
              "rc 102");
    EXPECT_EQ(read_quote_list_answer("<html>", QuoteNumbers::decimal).error, "JSON error");
}

// A line of the text endpoint with the fields it reads and the others empty.
std::string text_line(const std::string& variable, const std::string& code,
                      const std::string& price, const std::string& time,
                      const std::string& change) {
    std::string fields[33];
    fields[0] = "1";
    fields[1] = "名称";
    fields[2] = code;
    fields[3] = price;
    fields[4] = "100.00";
    fields[30] = time;
    fields[32] = change;
    std::string line = "v_" + variable + "=\"";
    for (int i = 0; i < 33; ++i) line += (i ? "~" : "") + fields[i];
    return line + "\";\n";
}

TEST(QuoteAnswer, TextReadsMainlandAndHongKongLinesAndSkipsUnknownCodes) {
    const std::string body =
        text_line("sh600519", "600519", "1258.99", "20260727145133", "0.63") +
        "v_pv_none_match=\"1\";\n" +
        text_line("hk00700", "00700", "352.40", "2026/07/27 14:36:32", "-1.2") +
        text_line("sz300750", "300750", "", "2026-07-2", "");
    const QuoteAnswer answer = read_text_quote_answer(body);
    ASSERT_EQ(answer.quotes.size(), 3u) << answer.error;
    EXPECT_EQ(answer.quotes[0].market, market::kShanghai);
    EXPECT_EQ(answer.quotes[0].name, "名称");
    EXPECT_DOUBLE_EQ(answer.quotes[0].price.value(), 1258.99);
    EXPECT_EQ(answer.quotes[0].trading_day, 20260727);
    EXPECT_EQ(answer.quotes[0].quoted_at, 1785135093);  // 06:51:33 UTC
    EXPECT_EQ(answer.quotes[1].market, market::kHongKong);
    EXPECT_DOUBLE_EQ(answer.quotes[1].change.value(), -1.2);
    EXPECT_EQ(answer.quotes[1].quoted_at, 1785134192);
    EXPECT_FALSE(answer.quotes[2].price || answer.quotes[2].trading_day);
    EXPECT_EQ(read_text_quote_answer("v_pv_none_match=\"1\";").error, "no quotes");
}

}  // namespace
}  // namespace qinghe::app
