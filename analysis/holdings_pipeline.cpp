#include "analysis/holdings_pipeline.h"

#include "analysis/app_texts.h"
#include "analysis/core_calls.h"

namespace qinghe::app {
namespace {

// The rows the collector appended from `first` (1-based) on.
std::vector<FundRow> rows_from(const ArrayBlock* holdings, int32_t first) {
    std::vector<FundRow> rows;
    for (int32_t i = first; i <= record_count(holdings); ++i) {
        const HoldingRecord* record = record_at(holdings, i);
        rows.push_back({record->stock_name ? record->stock_name : "", record->ratio});
    }
    return rows;
}

FundReport fetch_one(HoldingsCollector& collector, const char* code) {
    FundReport report{code, FundOutcome::read, {}, {}};
    const int32_t first = record_count(collector.holdings()) + 1;
    const bool fetched = collector.fetch_fund(code);
    report.facts = collector.page_facts();
    if (fetched) {
        collector.parse_rows();
        report.rows = rows_from(collector.holdings(), first);
    } else {
        report.outcome =
            report.facts.received ? FundOutcome::no_holdings : FundOutcome::download_failed;
    }
    return report;
}

}  // namespace

char* progress_text(const char* code) {
    OwnedText code_text(to_text(TaggedArg::of_text(code ? code : "")));
    return join_texts(
        {app_text(AppText::progress_prefix), code_text.get(), app_text(AppText::progress_suffix)});
}

bool is_accepted_code(const char* line) { return text_length(line) == 6; }

std::vector<FundReport> collect_holdings(HoldingsCollector& collector, const ArrayBlock* lines,
                                         const CodeProgress& progress, RunHistory* history) {
    std::vector<FundReport> reports;
    int32_t count = lines ? lines->sizes()[0] : 0;
    for (int32_t i = 0; i < count; ++i) {
        auto line = static_cast<const char*>(lines->pointer_at(i));
        if (!is_accepted_code(line)) {
            reports.push_back({line ? line : "", FundOutcome::not_six_bytes, {}, {}});
            continue;
        }
        OwnedText text(progress_text(line));
        if (progress.starting) progress.starting(line, text.get());
        const int32_t first = record_count(collector.holdings()) + 1;
        reports.push_back(history && history->offline()
                              ? FundReport{line, FundOutcome::nothing_stored, {}, {}}
                              : fetch_one(collector, line));
        if (history) history->fund_read(reports.back(), collector, first);
        if (progress.finished) progress.finished(reports.back());
    }
    return reports;
}

}  // namespace qinghe::app
