// The quote sources against loopback servers standing for the three quote
// hosts: batches of at most 50 stocks, one batch at a time to a host, the
// 30 s cache, the fallback from one source to the next, refusals and the
// trading day.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/today/quote_sources.h"
#include "platform/text_encoding.h"
#include "support/loopback_server.h"

namespace qinghe::app {
namespace {

using namespace std::chrono_literals;
using testing::Connection;
using testing::http_response;
using testing::LoopbackServer;
using Clock = std::chrono::steady_clock;

std::string query_value(const std::string& target, const std::string& name) {
    const size_t at = target.find(name + "=");
    if (at == std::string::npos) return {};
    const size_t start = at + name.size() + 1;
    return target.substr(start, target.find('&', start) - start);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// A quote host: answers the list or the text endpoint for the stocks named,
// or with `status` when it is set; counts requests and keeps their heads and
// times.
class QuoteHost {
public:
    QuoteHost() : server_([this](Connection& c) { answer(c); }) {}

    std::string base() const { return server_.base_url(); }
    void refuse_with(const std::string& status) {
        std::lock_guard lock(mutex_);
        status_ = status;
    }
    // Stocks this host does not know; "day" makes every quote of that day.
    void leave_out(const std::string& code) {
        std::lock_guard lock(mutex_);
        unknown_.push_back(code);
    }
    void quote_day(const std::string& code, int day) {
        std::lock_guard lock(mutex_);
        days_.emplace_back(code, day);
    }
    size_t requests() const {
        std::lock_guard lock(mutex_);
        return targets_.size();
    }
    std::vector<std::string> targets() const {
        std::lock_guard lock(mutex_);
        return targets_;
    }
    std::vector<Clock::time_point> times() const {
        std::lock_guard lock(mutex_);
        return times_;
    }
    std::vector<std::string> heads() const { return server_.request_heads(); }

private:
    bool known(const std::string& code) const {
        return std::find(unknown_.begin(), unknown_.end(), code) == unknown_.end();
    }
    int day_of(const std::string& code) const {
        for (const auto& [c, day] : days_)
            if (c == code) return day;
        return 20261209;
    }

    std::string list_body(const std::string& secids) const {
        std::string diff;
        for (const std::string& secid : split(secids, ',')) {
            const size_t dot = secid.find('.');
            const std::string market = secid.substr(0, dot), code = secid.substr(dot + 1);
            if (!known(code)) continue;
            if (!diff.empty()) diff += ',';
            diff += R"({"f2":10.5,"f3":1.5,"f12":")" + code + R"(","f13":)" + market +
                    R"(,"f14":"股票","f18":10.34,"f124":1796790000,"f297":)" +
                    std::to_string(day_of(code)) + "}";
        }
        if (diff.empty()) return R"({"rc":102,"data":null})";
        return R"({"rc":0,"data":{"diff":[)" + diff + "]}}";
    }

    std::string text_body(const std::string& symbols) const {
        std::string body;
        for (const std::string& symbol : split(symbols, ',')) {
            const std::string code = symbol.substr(2);
            if (!known(code)) {
                body += "v_pv_none_match=\"1\";\n";
                continue;
            }
            std::vector<std::string> fields(40, "0");
            fields[1] = "文本";
            fields[2] = code;
            fields[3] = "20.40";
            fields[4] = "20.00";
            fields[30] = std::to_string(day_of(code)) + "101500";
            fields[31] = "0.40";
            fields[32] = "2.00";
            std::string joined;
            for (const std::string& field : fields) joined += (joined.empty() ? "" : "~") + field;
            body += "v_" + symbol + "=\"" + joined + "\";\n";
        }
        return platform::gbk_from_utf8(body);
    }

    void answer(Connection& c) {
        const std::string target = c.target();
        std::string status, body;
        {
            std::lock_guard lock(mutex_);
            targets_.push_back(target);
            times_.push_back(Clock::now());
            status = status_;
            if (status.empty())
                body = target.starts_with("/q=") ? text_body(target.substr(3))
                                                 : list_body(query_value(target, "secids"));
        }
        if (!status.empty())
            c.send("HTTP/1.1 " + status +
                   "\r\nRetry-After: 1\r\nContent-Length: 0\r\n"
                   "Connection: close\r\n\r\n");
        else c.send(http_response("200 OK", body));
    }

    mutable std::mutex mutex_;
    std::string status_;
    std::vector<std::string> unknown_;
    std::vector<std::pair<std::string, int>> days_;
    std::vector<std::string> targets_;
    std::vector<Clock::time_point> times_;
    LoopbackServer server_;
};

std::vector<StockId> stocks(int count, int first = 600000) {
    std::vector<StockId> ids;
    for (int i = 0; i < count; ++i) ids.push_back({market::kShanghai, std::to_string(first + i)});
    return ids;
}

size_t quoted(const QuoteReading& reading) {
    return size_t(std::count_if(reading.quotes.begin(), reading.quotes.end(),
                                [](const auto& quote) { return quote.has_value(); }));
}

TEST(QuoteSources, BatchesPacesCachesAndFallsBack) {
    QuoteHost first, second, text;
    Clock::time_point now = Clock::now();
    QuoteSources sources({default_quote_source_order(), first.base(), second.base(), text.base()},
                         [&] { return now; });

    // 120 stocks: three requests of at most 50, sent as one batch, with the
    // list endpoint's Referer.
    QuoteReading reading = sources.read(stocks(120));
    EXPECT_EQ(quoted(reading), 120u);
    EXPECT_EQ(reading.trading_day, 20261209);
    EXPECT_TRUE(reading.fault.empty());
    ASSERT_EQ(first.requests(), 3u);
    for (const std::string& target : first.targets()) {
        EXPECT_TRUE(target.starts_with("/api/qt/ulist.np/get?fltt=2&")) << target;
        EXPECT_LE(split(query_value(target, "secids"), ',').size(), kStocksPerRequest);
    }
    EXPECT_NE(first.heads()[0].find("\r\nReferer: https://quote.eastmoney.com/\r\n"),
              std::string::npos);

    // Within 30 s nothing is asked again; after, everything is.
    now += 29s;
    EXPECT_EQ(quoted(sources.read(stocks(120))), 120u);
    EXPECT_EQ(first.requests(), 3u);
    now += 2s;
    sources.read(stocks(10));
    EXPECT_EQ(first.requests(), 4u);

    // The host's next batch goes 250 ms after the one before, not sooner.
    sources.read(stocks(10, 601000));
    const std::vector<Clock::time_point> times = first.times();
    EXPECT_GE(times[4] - times[3], kBatchInterval);

    // The first host does not know a stock, the second does not know the
    // Hong Kong one: each goes on to the next source; a quote of an earlier
    // day is no quote today.
    first.leave_out("602001");
    first.leave_out("00700");
    second.leave_out("00700");
    first.quote_day("602002", 20261208);
    reading = sources.read({{1, "602001"}, {116, "00700"}, {1, "602002"}, {1, "602003"}});
    ASSERT_EQ(reading.sources.size(), 3u);
    EXPECT_EQ(reading.sources[1].quotes, 1u);
    EXPECT_EQ(reading.sources[2].quotes, 1u);
    EXPECT_EQ(text.targets().back(), "/q=hk00700");
    ASSERT_TRUE(reading.quotes[1]);
    EXPECT_EQ(reading.quotes[1]->name, "文本");
    EXPECT_DOUBLE_EQ(reading.quotes[1]->change.value(), 2.0);
    EXPECT_FALSE(reading.quotes[2]);
    EXPECT_EQ(reading.reasons[2], "no quote today");
    EXPECT_TRUE(reading.quotes[3]);

    // A refusal is said plainly; the refused host is left alone for a minute
    // while the next source answers.
    now += 31s;
    first.refuse_with("429 Too Many Requests");
    reading = sources.read(stocks(5, 603000));
    EXPECT_EQ(quoted(reading), 5u);
    EXPECT_NE(reading.fault.find("429"), std::string::npos) << reading.fault;
    const size_t refused = first.requests();
    now += 31s;
    reading = sources.read(stocks(5, 604000));
    EXPECT_EQ(first.requests(), refused);
    EXPECT_EQ(reading.sources[0].reason, "refused lately, not asked");
    EXPECT_EQ(quoted(reading), 5u);

    // Every host refusing: no quote, and the fault says why.
    second.refuse_with("403 Forbidden");
    text.refuse_with("403 Forbidden");
    now += 31s;
    reading = sources.read(stocks(3, 605000));
    EXPECT_EQ(quoted(reading), 0u);
    EXPECT_FALSE(reading.fault.empty());
}

}  // namespace
}  // namespace qinghe::app
