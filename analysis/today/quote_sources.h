// Where today's quotes of the held stocks come from: the list endpoint on the
// quote host, the same path on the second quote host, and the text endpoint
// (quote_answer.h reads their answers), asked in the order of the setting
// 行情来源. A source gets the stocks the ones before it gave no quote for.
//
// The stocks are asked at most 50 a request; the requests of one reading to
// one host go out together as one batch through a download engine (the
// run's, or one of the sources' own: at most N connections to a host), and
// a host gets no batch sooner than 250 ms after its previous one: the
// reading waits for that moment while the answers of other hosts come in.
// A quote is kept 30 s and not asked again within that time. A refusal
// (429, 403) is said plainly, and the host is not asked again before the
// wait it named (at least a minute).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/host_table.h"
#include "analysis/sources/quote_answer.h"
#include "analysis/today/today_report.h"
#include "net/download_engine.h"

namespace qinghe::app {

enum class QuoteSourceKind { quote, quote2, tencent };

// "quote", "quote2", "tencent": the host table's names.
const char* ascii_name(QuoteSourceKind kind);
// Names separated by "," (those of ascii_name, or 行情, 备用行情, 文本行情
// in UTF-8), in the order given, each once;
// `unknown` gets the names that name no source.
std::vector<QuoteSourceKind> quote_source_order(std::string_view names,
                                                std::vector<std::string_view>* unknown);
std::vector<QuoteSourceKind> default_quote_source_order();

// The page the list endpoint's requests say they come from.
inline constexpr char kQuoteReferer[] = "https://quote.eastmoney.com/";
inline constexpr size_t kStocksPerRequest = 50;
inline constexpr std::chrono::milliseconds kBatchInterval{250};
inline constexpr std::chrono::seconds kQuoteLife{30};
inline constexpr std::chrono::seconds kLeastRefusalWait{60};

struct QuoteSettings {
    std::vector<QuoteSourceKind> order = default_quote_source_order();
    // Base URLs ending in "/".
    std::string quote_base, quote2_base, tencent_base;
    int connections_per_host = 4;
    // The run's download engine, which the sources then share (the run ends
    // its requests); null: an engine of their own, of connections_per_host.
    net::DownloadEngine* engine = nullptr;
};

// The quote sources of `hosts` in the order `names` gives (the setting
// 行情来源, UTF-8; unknown names skipped, none known: the default order),
// asked through `engine` when one is given.
QuoteSettings quote_settings(const HostBases& hosts, std::string_view names,
                             net::DownloadEngine* engine = nullptr);

// The clock of the cache, the pacing and the refusal waits; tests put in
// their own.
using QuoteClock = std::function<std::chrono::steady_clock::time_point()>;

// The stock a holding's link names (`…/unify/r/{market}.{code}`, GBK or
// UTF-8 alike), or nothing.
std::optional<StockId> stock_of_link(std::string_view link);
// "1.600519": the list endpoint's name of a stock.
std::string secid(const StockId& stock);
// "sh600519", "sz300750", "hk00700": the text endpoint's; empty for a market
// it does not know.
std::string text_symbol(const StockId& stock);

// What one source gave in a reading, for a check of the site.
struct QuoteSourceCheck {
    QuoteSourceKind kind = QuoteSourceKind::quote;
    std::string url;  // the first request's address
    long status = 0;  // the last response's status
    size_t requests = 0;
    size_t quotes = 0;   // stocks it gave a quote for
    std::string reason;  // why it gave none, or a fault ("refused (429)")
};

// The quotes of one reading, for the stocks asked, in their order.
struct QuoteReading {
    std::vector<std::optional<Quote>> quotes;  // today's; none without
    std::vector<std::string> reasons;          // UTF-8, for each stock without a quote
    int trading_day = 0;                       // the latest the answers show
    std::string fault;                         // UTF-8 plain text, empty when none
    std::vector<QuoteSourceCheck> sources;     // the sources asked, in order
};

class QuoteSources {
public:
    explicit QuoteSources(QuoteSettings settings, QuoteClock clock = {});
    ~QuoteSources();
    QuoteSources(const QuoteSources&) = delete;
    QuoteSources& operator=(const QuoteSources&) = delete;

    // Today's quotes of `stocks`; safe from several threads at once.
    QuoteReading read(const std::vector<StockId>& stocks);
    // Every source, in order, asked for every stock of `stocks`, nothing
    // taken from the cache: what a check of the site prints.
    std::vector<QuoteSourceCheck> check(const std::vector<StockId>& stocks);
    // Ends the reading under way and every later one's requests (those on
    // an engine lent by the run, the run ends).
    void cancel();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qinghe::app
