#include "analysis/today/today_reader.h"

#include <algorithm>
#include <chrono>
#include <mutex>

namespace qinghe::app {
namespace {

bool is_fund(const FundReport& fund) {
    return fund.outcome != FundOutcome::not_six_bytes && fund.outcome != FundOutcome::repeated &&
           fund.outcome != FundOutcome::bad_amount;
}

const char* reason_text(NoEstimate reason) {
    switch (reason) {
    case NoEstimate::none: return "";
    case NoEstimate::stock_share_unknown: return "stock share unknown";
    case NoEstimate::few_stocks: return "stock share under 10%";
    case NoEstimate::few_quotes: return "quoted weight under half";
    case NoEstimate::etf_share_unknown: return "ETF share unknown";
    case NoEstimate::etf_unquoted: return "ETF not quoted today";
    }
    return "";
}

// `id` among `stocks`, added with `name` and `link` when new.
size_t stock_index(std::vector<TodayStock>& stocks, const StockId& id, const std::string& name,
                   const std::string& link) {
    for (size_t i = 0; i < stocks.size(); ++i)
        if (stocks[i].id == id) return i;
    stocks.push_back({id, name, link, std::nullopt, ""});
    return stocks.size() - 1;
}

// The quote today of `id` among `stocks`, or null.
const Quote* quote_of(const std::vector<TodayStock>& stocks, const std::optional<StockId>& id) {
    if (!id) return nullptr;
    for (const TodayStock& stock : stocks)
        if (stock.id == *id) return stock.quote ? &*stock.quote : nullptr;
    return nullptr;
}

// A fund's own holdings, and for a feeder its target ETF as one holding: the
// rows it holds through the ETF move as the ETF's own quote does.
TodayFund today_fund(const FundReport& report, std::vector<TodayStock>& stocks) {
    TodayFund fund;
    fund.code = report.code.substr(0, 6);
    fund.name = report.facts.name;
    fund.amount = report.amount;
    fund.holdings_date = report.facts.report_date;
    for (const FundRow& row : report.rows) {
        if (!row.via.empty()) continue;
        const std::optional<StockId> id = stock_of_link(row.link);
        fund.holdings.push_back(
            {row.stock_name, row.link, row.ratio,
             id ? std::optional(stock_index(stocks, *id, row.stock_name, row.link))
                : std::nullopt});
    }
    if (const std::optional<TargetEtf>& etf = report.target_etf) {
        const std::string name = etf->name.empty() ? etf->code : etf->name;
        fund.holdings.push_back({name, "", etf->share.value_or(0),
                                 stock_index(stocks, etf_stock(etf->code), name, "")});
    }
    return fund;
}

// A code typed again adds its amount to the fund's, as the merged list does.
void add_amount(std::vector<TodayFund>& funds, const FundReport& repeated) {
    if (!repeated.amount) return;
    for (TodayFund& fund : funds)
        if (fund.code == repeated.code.substr(0, 6))
            fund.amount = fund.amount.value_or(0) + *repeated.amount;
}

void estimate(const FundReport& report, const std::vector<TodayStock>& stocks, TodayFund& fund) {
    for (const TodayHolding& holding : fund.holdings)
        if (holding.stock && stocks[*holding.stock].quote)
            fund.quoted_at = std::max(fund.quoted_at, stocks[*holding.stock].quote->quoted_at);
    std::vector<const Quote*> quotes;
    for (const FundRow& row : report.rows)
        quotes.push_back(quote_of(stocks, stock_of_link(row.link)));
    const Quote* etf =
        report.target_etf ? quote_of(stocks, etf_stock(report.target_etf->code)) : nullptr;
    fund.estimate = estimate_fund(estimate_input(report, quotes, etf));
    fund.reason = report.rows.empty() ? "no holdings" : reason_text(fund.estimate.reason);
    if (fund.amount && fund.estimate.change)
        fund.money = money_change(*fund.amount, *fund.estimate.change);
}

long long unix_now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

struct TodayReader::State {
    QuoteSources sources;
    std::mutex mutex;
    PreviousDays previous_days;

    State(QuoteSettings settings, QuoteClock clock)
        : sources(std::move(settings), std::move(clock)) {}
};

TodayReader::TodayReader(QuoteSettings settings, QuoteClock clock)
    : state_(std::make_unique<State>(std::move(settings), std::move(clock))) {}

TodayReader::~TodayReader() = default;

void TodayReader::set_previous_days(PreviousDays previous_days) {
    std::lock_guard lock(state_->mutex);
    state_->previous_days = std::move(previous_days);
}

TodayReport TodayReader::read(const std::vector<FundReport>& funds) {
    TodayReport report;
    std::vector<const FundReport*> taken;
    for (const FundReport& fund : funds) {
        if (fund.outcome == FundOutcome::repeated) add_amount(report.funds, fund);
        if (!is_fund(fund)) continue;
        taken.push_back(&fund);
        report.funds.push_back(today_fund(fund, report.stocks));
    }
    std::vector<StockId> ids;
    for (const TodayStock& stock : report.stocks) ids.push_back(stock.id);
    QuoteReading reading = state_->sources.read(ids);
    for (size_t i = 0; i < report.stocks.size(); ++i) {
        report.stocks[i].quote = std::move(reading.quotes[i]);
        report.stocks[i].reason = std::move(reading.reasons[i]);
    }
    report.trading_day = reading.trading_day;
    report.quote_fault = std::move(reading.fault);
    PreviousDays previous_days;
    {
        std::lock_guard lock(state_->mutex);
        previous_days = state_->previous_days;
    }
    for (size_t i = 0; i < report.funds.size(); ++i) {
        TodayFund& fund = report.funds[i];
        estimate(*taken[i], report.stocks, fund);
        if (fund.money) report.total_money = report.total_money.value_or(0) + *fund.money;
        if (previous_days && report.trading_day)
            fund.previous = previous_days(fund.code, report.trading_day);
    }
    report.read_at = unix_now();
    report.market_open = any_market_open(report.stocks, report.read_at);
    return report;
}

void TodayReader::cancel() { state_->sources.cancel(); }

StockId etf_stock(const std::string& code) {
    return {code.starts_with('5') ? market::kShanghai : market::kShenzhen, code};
}

EstimateInput estimate_input(const FundReport& fund, const std::vector<const Quote*>& quotes,
                             const Quote* etf_quote) {
    EstimateInput input;
    for (size_t i = 0; i < fund.rows.size(); ++i) {
        if (!fund.rows[i].via.empty()) continue;
        const Quote* quote = i < quotes.size() ? quotes[i] : nullptr;
        input.holdings.push_back({fund.rows[i].ratio, quote ? quote->change : std::nullopt});
    }
    if (fund.target_etf) {
        input.feeder = true;
        input.etf_share = fund.target_etf->share;
        if (etf_quote) input.etf_change = etf_quote->change;
    }
    if (fund.assets) input.stock_share = fund.assets->stocks;
    return input;
}

}  // namespace qinghe::app
