#include "analysis/history/run_history.h"

#include <utility>

#include "analysis/decimal_numbers.h"
#include "analysis/holding_list.h"
#include "analysis/quarter_change.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

// The program's texts are GBK, the store's UTF-8.
std::string utf8(const std::string& gbk) { return platform::utf8_from_gbk(gbk); }
std::string gbk(const std::string& utf8) { return platform::gbk_from_utf8(utf8); }

bool gave_change(const FundReport& report) {
    for (const FundRow& row : report.rows)
        if (!row.change.empty()) return true;
    return !report.exited.empty();
}

StoredRow stored_row(const FundRow& row, const char* link) {
    StoredRow stored{utf8(row.stock_name), row.ratio, link ? utf8(link) : "", {}, {}};
    if (!row.change.empty()) stored.change = utf8(row.change);
    if (row.change_points) stored.change_points = decimal_ratio(*row.change_points);
    return stored;
}

FundRow fund_row(const StoredRow& row) {
    FundRow fund{gbk(row.stock_name), row.ratio, row.change ? gbk(*row.change) : "", {}};
    if (row.change_points) fund.change_points = float(*row.change_points);
    fund.link = gbk(row.link);
    return fund;
}

std::vector<FundRow> fund_rows(const std::vector<StoredRow>& rows) {
    std::vector<FundRow> fund;
    for (const StoredRow& row : rows) fund.push_back(fund_row(row));
    return fund;
}

// The links are the collector's: its records from `first` on are the rows.
StoredReport stored_report(const FundReport& report, const ArrayBlock* holdings, int32_t first) {
    StoredReport stored{utf8(report.code),
                        report.facts.report_date,
                        ascii_name(report.source.value_or(SourceKind::page)),
                        utf8(report.facts.name),
                        {},
                        {},
                        {}};
    for (size_t i = 0; i < report.rows.size(); ++i) {
        const int32_t at = first + int32_t(i);
        const char* link = at <= record_count(holdings) ? record_at(holdings, at)->link : nullptr;
        stored.rows.push_back(stored_row(report.rows[i], link));
    }
    for (const FundRow& row : report.exited) stored.exited.push_back(stored_row(row, nullptr));
    stored.assets = report.assets;
    return stored;
}

}  // namespace

RunHistory::RunHistory(const std::string& path, bool offline) : path_(path), offline_(offline) {}

void RunHistory::open_ahead() {
    if (path_.empty() || store_ || opening_.valid()) return;
    opening_ = std::async(std::launch::async, [this] { store_.emplace(path_); });
}

// The store, once opened ahead or now.
void RunHistory::wait_for_store() {
    if (opening_.valid()) opening_.get();
    if (!store_) store_.emplace(path_);
}

HistoryNotice RunHistory::take_notice() {
    if (opening_.valid()) opening_.get();
    HistoryNotice notice = store_ ? store_->take_notice() : HistoryNotice{};
    notice.unstored = std::exchange(unstored_, 0);
    return notice;
}

void RunHistory::fund_read(FundReport& report, HoldingsCollector& collector, int32_t first_record) {
    if (path_.empty() || report.outcome == FundOutcome::not_six_bytes) return;
    wait_for_store();
    if (report.outcome == FundOutcome::read) keep_read(report, collector.holdings(), first_record);
    else take_stored(report, collector);
    if (report.outcome == FundOutcome::read) fill_change(report);
}

void RunHistory::keep_read(FundReport& report, const ArrayBlock* holdings, int32_t first) {
    // A read without a report date cannot be placed among the quarters.
    if (!report.facts.report_date.empty() && !store_->store(stored_report(report, holdings, first)))
        ++unstored_;
    // A source that does not name the fund (mobile): the name read before.
    if (report.facts.name.empty()) report.facts.name = gbk(store_->fund_name(utf8(report.code)));
}

void RunHistory::take_stored(FundReport& report, HoldingsCollector& collector) {
    const std::optional<StoredReport> stored = store_->newest(utf8(report.code));
    if (!stored) return;
    report.outcome = FundOutcome::read;
    report.cached = true;
    report.facts.name = gbk(stored->fund_name);
    report.facts.report_date = stored->report_date;
    report.source = source_named(stored->source);
    report.rows = fund_rows(stored->rows);
    report.exited = fund_rows(stored->exited);
    // No source answered: the mix stored last, unless this run's came.
    if (!report.assets && stored->assets) {
        report.assets = stored->assets;
        report.assets_reason.clear();
    }
    std::vector<SourceRow> rows;
    for (size_t i = 0; i < report.rows.size(); ++i)
        rows.push_back({report.rows[i], gbk(stored->rows[i].link)});
    collector.append_rows(rows);
}

void RunHistory::fill_change(FundReport& report) {
    if (gave_change(report)) return;
    const std::optional<StoredReport> previous =
        store_->previous_quarter(utf8(report.code), report.facts.report_date);
    if (!previous) return;
    QuarterChange change = compare_quarters(std::move(report.rows), fund_rows(previous->rows));
    report.rows = std::move(change.rows);
    report.exited = std::move(change.exited);
}

}  // namespace qinghe::app
