// qinghe-analyse: the analysis of the desktop program for scripts and for
// people without a desktop. Same sources, same collector, same rules, same
// merge and sort; the merged list (or, with --overlap, the funds' overlap
// matrix) goes to standard output (or --output FILE) as TSV, CSV or JSON,
// progress and warnings to standard error. Exit status: 0 when every code
// gave rows (read, or from the history), 1 when some did not, 2 on bad
// usage. --check CODE asks every source for one fund and prints a line
// each; --history lists the history instead, --accuracy how far the stored
// estimates were from the changes the funds published, --today each fund's
// estimate for today.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/fund_coverage.h"
#include "analysis/cli/analyse_options.h"
#include "analysis/output/analysis_output.h"
#include "analysis/analysis_start.h"
#include "analysis/app_files.h"
#include "analysis/core_calls.h"
#include "analysis/output/accuracy_listing.h"
#include "analysis/output/history_listing.h"
#include "analysis/history/history_location.h"
#include "analysis/history/history_messages.h"
#include "analysis/history/published_values.h"
#include "analysis/holdings_pipeline.h"
#include "analysis/output/overlap_output.h"
#include "analysis/output/today_output.h"
#include "analysis/cli/site_check.h"
#include "analysis/today/today_history.h"
#include "analysis/today/today_reader.h"
#include "net/download_engine.h"
#include "net/http_settings.h"
#include "platform/command_line.h"
#include "platform/file_names.h"
#include "platform/output_file.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"
#include "runtime/runtime_exit.h"

namespace qinghe::app {
namespace {

constexpr const char* kUsage =
    "usage: qinghe-analyse [OPTION]... CODE[=AMOUNT]...\n"
    "  Downloads each fund's page, merges the top-ten stock holdings of all funds\n"
    "  by stock name and prints one stock a line:\n"
    "  name<TAB>ratio<TAB>occurrences<TAB>link (UTF-8).\n"
    "\n"
    "  CODE              a six-digit fund code, e.g. 160127; a code typed again is\n"
    "                    analysed once (its amounts added)\n"
    "  CODE=AMOUNT       the money you hold in the fund, e.g. 160127=20000; then every\n"
    "                    code needs one, and a last column gives each stock's share of\n"
    "                    your money in percent\n"
    "  --base-url URL    the fund site, an http or https URL ending in '/'\n"
    "                    (default: the setting of the desktop program),\n"
    "                    e.g. --base-url http://127.0.0.1:8080/\n"
    "  --archive-url URL the site's archive endpoint (default: setting 档案网址,\n"
    "                    else https://fundf10.eastmoney.com/)\n"
    "  --mobile-url URL  the site's mobile endpoint (default: setting 移动网址,\n"
    "                    else https://fundmobapi.eastmoney.com/)\n"
    "  --url NAME=BASE   the base URL of any host the program asks (repeatable):\n"
    "                    page (setting 基金网址), archive (档案网址), mobile (移动网址),\n"
    "                    quote (行情网址), quote2 (备用行情网址), tencent (文本行情网址),\n"
    "                    nav (净值网址); e.g. --url quote=http://127.0.0.1:8080/\n"
    "  --source LIST     the sources asked, in order, until one gives rows: page,\n"
    "                    archive, mobile (or 页面, 档案, 移动), separated by ',';\n"
    "                    default: setting 持仓来源, else page,archive,mobile;\n"
    "                    e.g. --source archive,mobile\n"
    "  --sort ratio      largest summed ratio first (default)\n"
    "  --sort count      most appearances first, e.g. --sort count\n"
    "  --sort exposure   largest share of your money first (needs amounts)\n"
    "  --format tsv      tab-separated lines as above (default)\n"
    "  --format csv      comma-separated values with a header line, UTF-8 with a\n"
    "                    byte-order mark for spreadsheet programs, e.g. --format csv\n"
    "  --format json     one JSON document: the funds (code, name, report date,\n"
    "                    outcome, rows) and the stocks with the funds that hold them\n"
    "  --parallel N      pages downloaded at once, 1 to 8 (default 4), e.g. --parallel 1\n"
    "  --timeout SECONDS a page not downloaded whole within this time counts as\n"
    "                    failed, 5 to 600 (default: the desktop program's setting\n"
    "                    下载超时, else 120), e.g. --timeout 30\n"
    "  --output FILE     write to FILE instead of standard output; a file is replaced\n"
    "                    only when the whole result is written (keeping its mode),\n"
    "                    a link writes the file it names, a FIFO or device is\n"
    "                    written in place, e.g. --output my.csv\n"
    "  --overlap         instead of the list, how much the funds hold the same stocks:\n"
    "                    for each pair, the sum over the stocks both hold of the\n"
    "                    smaller of the two ratios, in percentage points (a fund\n"
    "                    with itself: its top-ten total), then the number of those\n"
    "                    stocks; a table with a header row of codes in each format,\n"
    "                    e.g. --overlap 701001 701002 702001 (not with --sort)\n"
    "  --check CODE      ask every source for one fund and print a line each:\n"
    "                    URL, status, bytes, charset, rows, report date, time, rows\n"
    "                    dropped and why it gave nothing (--format json: one object\n"
    "                    per source); exit 0 when one gave rows. Not with --history,\n"
    "                    --offline, --overlap, --sort or --format csv\n"
    "  --offline         no request at all: every code from the history of earlier\n"
    "                    runs; a code with nothing stored gives nothing\n"
    "  --history [CODE]...\n"
    "                    list the stored reports of each CODE, newest first (code,\n"
    "                    report date, source, read at, rows; --format json adds the\n"
    "                    rows); without a code, every stored fund once. Not with\n"
    "                    --overlap, --offline or --sort\n"
    "  --today CODE[=AMOUNT]...\n"
    "                    instead of the list, each fund's change today estimated from\n"
    "                    its disclosed holdings and the stocks' quotes (an estimate,\n"
    "                    not the fund company's figure): code, name, estimate %,\n"
    "                    coverage %, quote time, amount, money, reason, the day\n"
    "                    before's estimate and published change; a line 'total' with\n"
    "                    amounts; --format json adds each holding's price and change.\n"
    "                    Quotes from setting 行情来源 (行情, 备用行情, 文本行情). Not\n"
    "                    with --check, --history, --offline, --overlap, --sort or\n"
    "                    --accuracy\n"
    "  --accuracy CODE...\n"
    "                    how good the stored estimates of each fund's change were:\n"
    "                    asks the changes the fund published (setting 净值网址, else\n"
    "                    https://api.fund.eastmoney.com/), stores them, then lists\n"
    "                    every day with an estimate, newest first (code, trading\n"
    "                    day, estimate %, published %, difference, coverage %,\n"
    "                    holdings date), and a line 平均绝对差 per fund with the mean\n"
    "                    absolute difference; with --offline nothing is asked.\n"
    "                    Exit 1 when a code has no stored estimate. Not with\n"
    "                    --check, --history, --overlap or --sort\n"
    "  --help            this text\n"
    "  --version         the program's version\n"
    "\n"
    "  Every fund read is kept in history.sqlite3, beside the settings (配置.ini) or\n"
    "  in $XDG_DATA_HOME/qinghe/ (default ~/.local/share/qinghe/); a code no source\n"
    "  answers is then analysed from its newest stored report.\n"
    "\n"
    "  Example: qinghe-analyse --format csv --output funds.csv 160127=20000 006309=10000\n"
    "  Exit status: 0 every code read, 1 some code gave nothing, 2 bad usage.\n";

std::string utf8(const std::string& gbk) { return platform::utf8_from_gbk(gbk); }

ArrayBlock* code_lines(const std::vector<std::string>& codes) {
    ArrayBlock* lines = make_array(int32_t(codes.size()), int32_t(sizeof(void*)));
    for (size_t i = 0; i < codes.size(); ++i)
        lines->set_pointer_at(int64_t(i), make_text(platform::gbk_from_utf8(codes[i])));
    return lines;
}

void release_lines(ArrayBlock* lines) {
    for (int32_t i = 0; i < lines->sizes()[0]; ++i) mem_free(lines->pointer_at(i));
    mem_free(lines);
}

const char* reason(FundOutcome outcome) {
    switch (outcome) {
    case FundOutcome::download_failed: return "download failed";
    case FundOutcome::no_holdings: return "no holdings";
    case FundOutcome::not_six_bytes: return "not six bytes";
    case FundOutcome::nothing_stored: return "nothing stored";
    case FundOutcome::bad_amount: return "bad amount";
    case FundOutcome::repeated:
    case FundOutcome::read: break;
    }
    return "";
}

// Names every code that gave nothing, in argument order (with the fault of
// the site a source showed, as --check tells it), the codes typed again,
// and the warnings of the look-through; true when every code was read.
bool report_to_stderr(const AnalysisResult& result) {
    bool all_read = true;
    for (const FundReport& report : result.funds) {
        const std::string code = utf8(report.code);
        if (report.cached)
            std::fprintf(stderr, "qinghe-analyse: '%s' from history, report date %s\n",
                         code.c_str(), report.facts.report_date.c_str());
        if (report.outcome == FundOutcome::repeated)
            std::fprintf(stderr, "qinghe-analyse: '%s' typed again: analysed once%s\n",
                         code.c_str(), result.amounts.empty() ? "" : ", amounts added");
        if (report.target_etf && report.through_etf != ThroughEtf::added)
            std::fprintf(stderr, "qinghe-analyse: '%s' is a feeder of %s: %s, own rows only\n",
                         code.c_str(), report.target_etf->code.c_str(),
                         report.through_etf == ThroughEtf::share_unknown ? "ETF share unknown"
                                                                         : "ETF holdings not read");
        if (report.outcome == FundOutcome::read || report.outcome == FundOutcome::repeated)
            continue;
        all_read = false;
        const std::string why = report.fault.empty() ? reason(report.outcome)
                                                     : report.fault + ": " + report.fault_reason;
        std::fprintf(stderr, "qinghe-analyse: no holdings read for '%s' (%s)\n", code.c_str(),
                     why.c_str());
    }
    for (const auto& [a, b] : result.same_holdings)
        std::fprintf(stderr,
                     "qinghe-analyse: warning: '%s' and '%s' hold the same top ten (likely share "
                     "classes of one portfolio); both are counted\n",
                     utf8(result.funds[a].code).c_str(), utf8(result.funds[b].code).c_str());
    const std::string dates = differing_dates(result.funds);
    if (!dates.empty())
        std::fprintf(stderr, "qinghe-analyse: report dates differ: %s\n", dates.c_str());
    const std::string money = money_coverage_line(money_coverage(result.funds, result.amounts));
    if (!money.empty()) std::fprintf(stderr, "qinghe-analyse: %s\n", money.c_str());
    return all_read;
}

void tell_history_notice(const HistoryNotice& notice) {
    const std::string line = history_notice_for_stderr(notice);
    if (!line.empty()) std::fprintf(stderr, "qinghe-analyse: %s\n", line.c_str());
}

std::vector<FundReport> collect(const AnalyseOptions& options, const SourceSettings& sources,
                                HoldingsCollector& collector, net::DownloadEngine& engine) {
    CodeProgress progress;
    progress.starting = [](const char*, const char* text) {
        std::fprintf(stderr, "%s\n", utf8(text).c_str());
    };
    ArrayBlock* lines = code_lines(options.codes);
    std::vector<FundReport> reports;
    {
        // Offline, not one request.
        FundsAhead funds(options.offline ? std::vector<std::string>() : accepted_codes(lines),
                         make_sources(sources), options.parallel, {}, AssetMixRequest(sources),
                         FeederCheck(sources), &engine);
        RunHistory history(history_file_path(), options.offline);
        if (funds.size()) history.open_ahead();
        reports = collect_holdings(collector, lines, progress, funds, &history);
        tell_history_notice(history.take_notice());
    }
    release_lines(lines);
    return reports;
}

// The hosts' base URLs of the desktop program's settings, with the options'.
HostBases hosts_of(const AnalyseOptions& options) {
    HostBases hosts = host_settings();
    for (const auto& [host, base] : options.urls) hosts[host] = base;
    return hosts;
}

// The settings of the desktop program with the options' overrides.
SourceSettings sources_of(const AnalyseOptions& options) {
    SourceSettings sources = source_settings(hosts_of(options));
    if (!options.sources.empty()) sources.order = options.sources;
    return sources;
}

bool write_out(const AnalyseOptions& options, const std::string& text) {
    if (options.output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0;
    }
    std::string error;
    if (platform::write_output_file(options.output, text, error)) return true;
    std::fprintf(stderr, "qinghe-analyse: %s\n", error.c_str());
    return false;
}

// The quote sources of the options, asked through the run's engine.
QuoteSettings quotes_of(const AnalyseOptions& options, net::DownloadEngine& engine) {
    return quote_settings(hosts_of(options), quote_source_setting(), &engine);
}

int check_site(const AnalyseOptions& options, const SourceSettings& settings) {
    net::DownloadEngine engine(1);
    const Fetch fetch = [&](const net::Request& request) { return engine.fetch(request); };
    const std::vector<SourceAnswer> answers =
        check_sources(platform::gbk_from_utf8(options.check), make_sources(settings), fetch);
    const bool rows = std::any_of(answers.begin(), answers.end(),
                                  [](const SourceAnswer& a) { return !a.rows.empty(); });
    const std::vector<StockId> stocks = checked_stocks(answers);
    const std::vector<QuoteSourceCheck> quotes =
        QuoteSources(quotes_of(options, engine)).check(stocks);
    if (!write_out(options, check_text(answers, quotes, stocks.size(),
                                       options.format == OutputFormat::json)))
        return 2;
    return rows ? 0 : 1;
}

// --today: the funds' table of today's estimates, each beside its stored
// estimate of the trading day before and the change published for it, and
// stored; the quotes' fault, if any, on standard error.
bool print_today(const AnalyseOptions& options, const std::vector<FundReport>& reports,
                 net::DownloadEngine& engine) {
    TodayReader reader(quotes_of(options, engine));
    const std::string path = history_file_path();
    std::optional<HistoryStore> store;
    if (!path.empty()) store.emplace(path).take_notice();  // the run told what the file showed
    HistoryStore* history = store ? &*store : nullptr;
    before_today_reading(history, reader, &engine, hosts_of(options)[Host::nav], reports);
    const TodayReport today = reader.read(reports);
    after_today_reading(history, reader, today);
    if (store) tell_history_notice(store->take_notice());
    if (!today.quote_fault.empty())
        std::fprintf(stderr, "qinghe-analyse: %s\n", today.quote_fault.c_str());
    return write_out(options, format_today(today, options.format));
}

// The merged list, or with --overlap the funds' overlap.
std::string result_text(const AnalyseOptions& options, const AnalysisResult& result) {
    if (options.overlap)
        return format_overlap(fund_overlap(result.funds), result.funds, options.format);
    return format_result(result, options.format);
}

// The time limit and user agent of every request that follows.
void use_transfer_settings(const AnalyseOptions& options) {
    const int timeout =
        options.timeout_seconds ? options.timeout_seconds : download_timeout_setting();
    net::set_transfer_timeout(std::chrono::seconds(timeout));
    use_user_agent(user_agent_setting());
}

int analyse(const AnalyseOptions& options) {
    use_transfer_settings(options);
    const SourceSettings sources = sources_of(options);
    if (!options.check.empty()) return check_site(options, sources);
    HoldingsCollector collector(sources.page_base.c_str());
    // Every request of the run, the holdings' and today's.
    net::DownloadEngine engine(options.parallel);
    std::vector<FundReport> reports = collect(options, sources, collector, engine);
    ArrayBlock* merged = new_record_array();
    collector.merge_into(merged);
    for (size_t i = 0; i < options.amounts.size() && i < reports.size(); ++i)
        reports[i].amount = options.amounts[i];
    std::vector<double> amounts = fund_amounts(reports);
    const bool today_written = !options.today || print_today(options, reports, engine);
    const AnalysisResult result =
        analysis_result(std::move(reports), merged, std::move(amounts), options.sort);
    const bool written =
        options.today ? today_written : write_out(options, result_text(options, result));
    const bool all_read = report_to_stderr(result);
    release_record_array(merged);
    return !written ? 2 : all_read ? 0 : 1;
}

// --history: the listing; status 1 when a code has nothing stored or the
// history cannot be read. It writes nothing, and a missing file is not made.
int list_history(const AnalyseOptions& options) {
    const std::string path = history_file_path();
    std::optional<HistoryStore> store;
    std::error_code error;
    if (!path.empty() && std::filesystem::exists(platform::native_path(path), error))
        store.emplace(path, HistoryAccess::read_only);
    if (store) tell_history_notice(store->take_notice());
    std::vector<std::string> missing;
    const std::string text = history_listing(store && store->on() ? &*store : nullptr,
                                             options.codes, options.format, missing);
    for (const std::string& code : missing)
        std::fprintf(stderr, "qinghe-analyse: nothing stored for '%s'\n", code.c_str());
    if (!write_out(options, text)) return 2;
    return missing.empty() && (!store || store->on()) ? 0 : 1;
}

// The published values of `funds` asked at once and stored; each fund
// without values keeps the reason.
void refresh_net_values(const AnalyseOptions& options, HistoryStore& store,
                        std::vector<FundAccuracy>& funds) {
    use_transfer_settings(options);
    std::vector<std::string> codes;
    for (const FundAccuracy& fund : funds) codes.push_back(fund.code);
    net::DownloadEngine engine(options.parallel);
    const std::vector<std::string> errors =
        refresh_published_values(store, engine, hosts_of(options)[Host::nav], codes);
    for (size_t i = 0; i < funds.size(); ++i) funds[i].net_values_error = errors[i];
}

// --accuracy: the published values refreshed (unless offline), then every
// stored day listed; status 1 when a code has no stored estimate or the
// history cannot be used.
int list_accuracy(const AnalyseOptions& options) {
    const std::string path = history_file_path();
    std::optional<HistoryStore> store;
    if (!path.empty()) store.emplace(path);
    if (store) tell_history_notice(store->take_notice());
    std::vector<FundAccuracy> funds;
    for (const std::string& code : options.codes)  // a code typed again is listed once
        if (std::none_of(funds.begin(), funds.end(),
                         [&](const FundAccuracy& fund) { return fund.code == code; }))
            funds.push_back({code, {}, {}});
    if (store && !options.offline) refresh_net_values(options, *store, funds);
    bool all_listed = store && store->on();
    for (FundAccuracy& fund : funds) {
        if (store) fund.days = estimated_days(*store, fund.code);
        if (!fund.net_values_error.empty())
            std::fprintf(stderr, "qinghe-analyse: no published net values for '%s' (%s)\n",
                         fund.code.c_str(), fund.net_values_error.c_str());
        if (!fund.days.empty()) continue;
        all_listed = false;
        std::fprintf(stderr, "qinghe-analyse: no stored estimate for '%s'\n", fund.code.c_str());
    }
    if (store) tell_history_notice(store->take_notice());
    if (!write_out(options, accuracy_listing(funds, options.format))) return 2;
    return all_listed ? 0 : 1;
}

// Bad usage: the message naming the argument, or the usage text.
int usage_error(const std::string& error) {
    if (error.empty()) std::fputs(kUsage, stderr);
    else std::fprintf(stderr, "qinghe-analyse: %s\n(see qinghe-analyse --help)\n", error.c_str());
    return 2;
}

}  // namespace
}  // namespace qinghe::app

int main(int argc, char** argv) {
    using namespace qinghe;
    const std::vector<std::string> args = platform::command_line_arguments(argc, argv);
    // --help and --version win wherever they stand.
    const auto given = [&](const char* option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (given("--help") || given("-h")) {
        std::fputs(app::kUsage, stdout);
        return 0;
    }
    if (given("--version")) {
        std::printf("qinghe-analyse %s\n", QINGHE_VERSION);
        return 0;
    }
    app::AnalyseOptions options;
    std::string error;
    if (!app::parse_analyse_options(args, options, error)) return app::usage_error(error);
    if (!options.output.empty()) {
        // Relative to the caller's folder, which start-up leaves.
        options.output =
            platform::utf8_path(std::filesystem::absolute(platform::native_path(options.output)));
        if (!platform::output_target_writable(options.output, error))
            return app::usage_error(error);
    }
    app::initialise_analysis_runtime();
    runtime_exit(options.history    ? app::list_history(options)
                 : options.accuracy ? app::list_accuracy(options)
                                    : app::analyse(options));
}
