#include "analysis/today/quote_sources.h"

#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <map>
#include <mutex>

#include "analysis/sources/holdings_source.h"
#include "net/download_engine.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

using Clock = std::chrono::steady_clock;

struct QuoteSourceNames {
    QuoteSourceKind kind;
    const char* ascii;
    const char* chinese;
};

constexpr QuoteSourceNames kNames[] = {
    {QuoteSourceKind::quote, "quote", "行情"},
    {QuoteSourceKind::quote2, "quote2", "备用行情"},
    {QuoteSourceKind::tencent, "tencent", "文本行情"},
};

const QuoteSourceNames& names_of(QuoteSourceKind kind) {
    return *std::find_if(std::begin(kNames), std::end(kNames),
                         [&](const QuoteSourceNames& n) { return n.kind == kind; });
}

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

constexpr char kListPath[] =
    "api/qt/ulist.np/get?fltt=2&invt=2&fields=f2,f3,f12,f13,f14,f18,f124,f297&secids=";
constexpr char kTextPath[] = "q=";
constexpr char kLinkMark[] = "/r/";  // of …/unify/r/ and …/r/

bool is_digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// One request of a batch: the stocks it names (indices into the stocks asked).
struct Request {
    std::string url;
    std::vector<size_t> stocks;
};

// What a source's batch gave: the quotes found, by the index of the stock.
struct BatchAnswer {
    std::map<size_t, Quote> quotes;
    QuoteSourceCheck check;
    long refused = 0;       // the status of a refusal, 0 without one
    bool answered = false;  // some request got a whole 2xx answer
    long retry_after = 0;
};

bool is_refusal(long status) { return status == 429 || status == 403; }

std::string refusal_text(QuoteSourceKind kind, long status) {
    return std::string("行情来源 ") + ascii_name(kind) + " 拒绝访问（" + std::to_string(status) +
           "），稍后再试";
}

}  // namespace

const char* ascii_name(QuoteSourceKind kind) { return names_of(kind).ascii; }

std::vector<QuoteSourceKind> quote_source_order(std::string_view names,
                                                std::vector<std::string_view>* unknown) {
    std::vector<QuoteSourceKind> order;
    while (!names.empty()) {
        const size_t comma = names.find(',');
        const std::string_view name = trimmed(names.substr(0, comma));
        names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
        const auto* named = std::find_if(
            std::begin(kNames), std::end(kNames),
            [&](const QuoteSourceNames& n) { return name == n.ascii || name == n.chinese; });
        if (named == std::end(kNames)) {
            if (unknown && !name.empty()) unknown->push_back(name);
        } else if (std::find(order.begin(), order.end(), named->kind) == order.end()) {
            order.push_back(named->kind);
        }
    }
    return order;
}

std::vector<QuoteSourceKind> default_quote_source_order() {
    return {QuoteSourceKind::quote, QuoteSourceKind::quote2, QuoteSourceKind::tencent};
}

QuoteSettings quote_settings(const HostBases& hosts, std::string_view names,
                             net::DownloadEngine* engine) {
    QuoteSettings settings;
    settings.engine = engine;
    settings.order = quote_source_order(names, nullptr);
    if (settings.order.empty()) settings.order = default_quote_source_order();
    settings.quote_base = hosts[Host::quote];
    settings.quote2_base = hosts[Host::quote2];
    settings.tencent_base = hosts[Host::tencent];
    return settings;
}

std::optional<StockId> stock_of_link(std::string_view link) {
    const size_t mark = link.rfind(kLinkMark);
    if (mark == std::string_view::npos) return std::nullopt;
    std::string_view id = link.substr(mark + sizeof kLinkMark - 1);
    id = id.substr(0, id.find_first_of("?#/"));
    const size_t dot = id.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view market = id.substr(0, dot), code = id.substr(dot + 1);
    if (!is_digits(market) || market.size() > 3 || !is_digits(code) || code.size() > 8)
        return std::nullopt;
    return StockId{std::stoi(std::string(market)), std::string(code)};
}

std::string secid(const StockId& stock) { return std::to_string(stock.market) + "." + stock.code; }

std::string text_symbol(const StockId& stock) {
    switch (stock.market) {
    case market::kShanghai: return "sh" + stock.code;
    case market::kHongKong: return "hk" + stock.code;
    case market::kShenzhen:
        return (stock.code.starts_with('4') || stock.code.starts_with('8') ? "bj" : "sz") +
               stock.code;
    default: return {};
    }
}

struct QuoteSources::State {
    struct Cached {
        Clock::time_point at;
        Quote quote;
    };

    QuoteSettings settings;
    QuoteClock clock;
    std::unique_ptr<net::DownloadEngine> own_engine;
    net::DownloadEngine& engine;
    std::mutex mutex;
    std::condition_variable woken;
    bool cancelled = false;
    std::map<std::string, Cached> cache;                  // by secid
    std::map<std::string, Clock::time_point> next_batch;  // by base URL
    std::map<std::string, Clock::time_point> refused_until;

    State(QuoteSettings s, QuoteClock c)
        : settings(std::move(s)),
          clock(c ? std::move(c) : QuoteClock([] { return Clock::now(); })),
          own_engine(settings.engine
                         ? nullptr
                         : std::make_unique<net::DownloadEngine>(settings.connections_per_host)),
          engine(settings.engine ? *settings.engine : *own_engine) {}

    const std::string& base_of(QuoteSourceKind kind) const {
        switch (kind) {
        case QuoteSourceKind::quote: return settings.quote_base;
        case QuoteSourceKind::quote2: return settings.quote2_base;
        default: return settings.tencent_base;
        }
    }

    std::vector<Request> requests(QuoteSourceKind kind, const std::vector<StockId>& stocks,
                                  const std::vector<size_t>& missing) const {
        std::vector<Request> made;
        const bool text = kind == QuoteSourceKind::tencent;
        for (size_t index : missing) {
            const std::string name = text ? text_symbol(stocks[index]) : secid(stocks[index]);
            if (name.empty()) continue;
            if (made.empty() || made.back().stocks.size() == kStocksPerRequest)
                made.push_back({base_of(kind) + (text ? kTextPath : kListPath), {}});
            Request& request = made.back();
            if (!request.stocks.empty()) request.url += ',';
            request.url += name;
            request.stocks.push_back(index);
        }
        return made;
    }

    // Waits for the host's next batch time and takes it; false when cancelled
    // or the host refused us lately.
    bool take_batch_time(const std::string& base, QuoteSourceCheck& check) {
        std::unique_lock lock(mutex);
        const Clock::time_point now = clock();
        if (const auto refused = refused_until.find(base);
            refused != refused_until.end() && now < refused->second) {
            check.reason = "refused lately, not asked";
            return false;
        }
        Clock::time_point& next = next_batch[base];
        const Clock::time_point due = std::max(now, next);
        next = due + kBatchInterval;
        const Clock::duration wait = due - now;
        woken.wait_for(lock, wait, [&] { return cancelled; });
        if (cancelled) check.reason = "cancelled";
        return !cancelled;
    }

    std::vector<net::FetchResult> send(const std::vector<Request>& made, QuoteSourceKind kind) {
        std::vector<net::FetchResult> results(made.size());
        size_t left = made.size();
        std::mutex done_mutex;
        std::condition_variable done;
        const std::string referer = kind == QuoteSourceKind::tencent ? "" : kQuoteReferer;
        for (size_t i = 0; i < made.size(); ++i)
            engine.submit(net::Request{made[i].url, referer}, [&, i](net::FetchResult result) {
                std::lock_guard lock(done_mutex);
                results[i] = std::move(result);
                if (--left == 0) done.notify_all();
            });
        std::unique_lock lock(done_mutex);
        done.wait(lock, [&] { return left == 0; });
        return results;
    }

    static QuoteAnswer read_answer(QuoteSourceKind kind, const std::string& body) {
        if (kind == QuoteSourceKind::tencent)
            return read_text_quote_answer(platform::utf8_from_gbk(body));
        return read_quote_list_answer(body, QuoteNumbers::decimal);
    }

    void take_answer(const Request& request, const net::FetchResult& result,
                     const std::vector<StockId>& stocks, QuoteSourceKind kind,
                     BatchAnswer& answer) {
        answer.check.status = result.status;
        if (is_refusal(result.status)) {
            answer.refused = result.status;
            answer.retry_after = std::max(answer.retry_after, result.retry_after);
            answer.check.reason = "refused (" + std::to_string(result.status) + ")";
            return;
        }
        if (std::string failed = failed_response_reason(result); !failed.empty()) {
            answer.check.reason = failed;
            return;
        }
        answer.answered = true;
        QuoteAnswer read = read_answer(kind, result.body);
        if (!read.error.empty()) answer.check.reason = read.error;
        for (Quote& quote : read.quotes)
            for (size_t index : request.stocks)
                if (stocks[index].market == quote.market && stocks[index].code == quote.code) {
                    answer.quotes[index] = quote;
                    break;
                }
    }

    BatchAnswer ask(QuoteSourceKind kind, const std::vector<StockId>& stocks,
                    const std::vector<size_t>& missing) {
        BatchAnswer answer;
        answer.check.kind = kind;
        const std::string& base = base_of(kind);
        const std::vector<Request> made = requests(kind, stocks, missing);
        if (made.empty()) {
            answer.check.reason = base.empty() ? "no address" : "no stock it names";
            return answer;
        }
        answer.check.url = made.front().url;
        if (!take_batch_time(base, answer.check)) return answer;
        const std::vector<net::FetchResult> results = send(made, kind);
        answer.check.requests = made.size();
        for (size_t i = 0; i < made.size(); ++i)
            take_answer(made[i], results[i], stocks, kind, answer);
        answer.check.quotes = answer.quotes.size();
        if (answer.refused) refuse(base, answer.retry_after);
        return answer;
    }

    void refuse(const std::string& base, long retry_after) {
        std::lock_guard lock(mutex);
        refused_until[base] = clock() + std::max<Clock::duration>(
                                            kLeastRefusalWait, std::chrono::seconds(retry_after));
    }

    void from_cache(const std::vector<StockId>& stocks, std::vector<std::optional<Quote>>& found) {
        std::lock_guard lock(mutex);
        const Clock::time_point now = clock();
        for (size_t i = 0; i < stocks.size(); ++i)
            if (const auto cached = cache.find(secid(stocks[i]));
                cached != cache.end() && now - cached->second.at < kQuoteLife)
                found[i] = cached->second.quote;
    }

    void keep(const std::vector<StockId>& stocks, const std::map<size_t, Quote>& quotes) {
        std::lock_guard lock(mutex);
        const Clock::time_point now = clock();
        for (const auto& [index, quote] : quotes) cache[secid(stocks[index])] = {now, quote};
    }
};

QuoteSources::QuoteSources(QuoteSettings settings, QuoteClock clock)
    : state_(std::make_unique<State>(std::move(settings), std::move(clock))) {}

QuoteSources::~QuoteSources() = default;

namespace {

std::vector<size_t> without_quote(const std::vector<std::optional<Quote>>& found) {
    std::vector<size_t> missing;
    for (size_t i = 0; i < found.size(); ++i)
        if (!found[i]) missing.push_back(i);
    return missing;
}

// Today's quotes only; the reasons of the others.
void keep_today(const std::vector<std::optional<Quote>>& found, QuoteReading& reading) {
    std::vector<Quote> present;
    for (const std::optional<Quote>& quote : found)
        if (quote) present.push_back(*quote);
    reading.trading_day = latest_trading_day(present);
    reading.quotes.assign(found.size(), std::nullopt);
    reading.reasons.assign(found.size(), "");
    for (size_t i = 0; i < found.size(); ++i) {
        if (!found[i]) reading.reasons[i] = "no quote";
        else if (found[i]->trading_day != reading.trading_day)
            reading.reasons[i] = "no quote today";
        else if (!found[i]->change) reading.reasons[i] = "suspended";
        else reading.quotes[i] = found[i];
    }
}

}  // namespace

QuoteReading QuoteSources::read(const std::vector<StockId>& stocks) {
    QuoteReading reading;
    std::vector<std::optional<Quote>> found(stocks.size());
    state_->from_cache(stocks, found);
    std::string refusal;
    bool answered = false;
    for (QuoteSourceKind kind : state_->settings.order) {
        const std::vector<size_t> missing = without_quote(found);
        if (missing.empty()) break;
        BatchAnswer answer = state_->ask(kind, stocks, missing);
        state_->keep(stocks, answer.quotes);
        for (auto& [index, quote] : answer.quotes) found[index] = std::move(quote);
        if (answer.refused && refusal.empty()) refusal = refusal_text(kind, answer.refused);
        answered = answered || answer.answered;
        reading.sources.push_back(std::move(answer.check));
    }
    keep_today(found, reading);
    // A refusal is told also when a later source answered: the user should
    // know the host turned us away.
    reading.fault = refusal;
    if (reading.fault.empty() && !answered && !without_quote(found).empty())
        reading.fault = "行情来源无应答，今日无估算";
    return reading;
}

std::vector<QuoteSourceCheck> QuoteSources::check(const std::vector<StockId>& stocks) {
    std::vector<size_t> all(stocks.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    std::vector<QuoteSourceCheck> checks;
    for (QuoteSourceKind kind : state_->settings.order)
        checks.push_back(state_->ask(kind, stocks, all).check);
    return checks;
}

void QuoteSources::cancel() {
    {
        std::lock_guard lock(state_->mutex);
        state_->cancelled = true;
    }
    state_->woken.notify_all();
    if (state_->own_engine) state_->own_engine->cancel_all();
}

}  // namespace qinghe::app
