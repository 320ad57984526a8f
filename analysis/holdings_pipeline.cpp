#include "analysis/holdings_pipeline.h"

#include <algorithm>

#include "analysis/app_texts.h"
#include "analysis/code_line.h"
#include "analysis/core_calls.h"

namespace qinghe::app {
namespace {

FundOutcome outcome_of(const FundAnswer& answer) {
    if (answer.answered()) return FundOutcome::read;
    for (const SourceAnswer& asked : answer.asked)
        if (asked.facts.received) return FundOutcome::no_holdings;
    return FundOutcome::download_failed;
}

// The facts of the source that answered (else of the first asked), the
// name taken from an earlier answer when it has none.
FundPageFacts facts_of(const FundAnswer& answer) {
    if (answer.asked.empty()) return {};
    const SourceAnswer& main = answer.answered() ? *answer.answered() : answer.asked.front();
    FundPageFacts facts = main.facts;
    for (const SourceAnswer& asked : answer.asked) {
        facts.received = facts.received || asked.facts.received;
        if (facts.name.empty()) facts.name = asked.facts.name;
    }
    return facts;
}

// What a typed line is: a code (with its amount when one follows), a code
// whose amount is not one, or no code (the whole line).
struct TypedLine {
    FundOutcome outcome = FundOutcome::not_six_bytes;
    std::string code;
    std::optional<double> amount;
};

TypedLine typed_line(const char* line) {
    const std::string whole = line ? line : "";
    CodeLine split = split_code_line(whole);
    if (split.amount_text && split.code.size() == 6) {
        double amount = 0;
        if (!parse_amount(*split.amount_text, amount)) return {FundOutcome::bad_amount, whole, {}};
        return {FundOutcome::read, split.code, amount};
    }
    if (is_accepted_code(whole.c_str())) return {FundOutcome::read, whole, {}};
    return {FundOutcome::not_six_bytes, whole, {}};
}

}  // namespace

char* progress_text(const char* code) {
    OwnedText code_text(to_text(TaggedArg::of_text(code ? code : "")));
    return join_texts(
        {app_text(AppText::progress_prefix), code_text.get(), app_text(AppText::progress_suffix)});
}

bool is_accepted_code(const char* line) { return text_length(line) == 6; }

std::vector<std::string> accepted_codes(const ArrayBlock* lines) {
    std::vector<std::string> codes;
    const int32_t count = lines ? lines->sizes()[0] : 0;
    for (int32_t i = 0; i < count; ++i) {
        const TypedLine line = typed_line(static_cast<const char*>(lines->pointer_at(i)));
        if (line.outcome == FundOutcome::read &&
            std::find(codes.begin(), codes.end(), line.code) == codes.end())
            codes.push_back(line.code);
    }
    return codes;
}

FundReport fund_report(const std::string& code, const FundAnswer& answer) {
    FundReport report{code, outcome_of(answer), facts_of(answer), {}};
    report.assets = answer.mix.newest;
    if (!report.assets) report.assets_reason = answer.mix.error;
    if (const SourceAnswer* answered = answer.answered()) {
        for (const SourceRow& row : answered->rows) {
            report.rows.push_back(row.row);
            report.rows.back().link = row.link;
        }
        report.source = answered->kind;
        report.exited = answered->exited;
        return report;
    }
    // The first source asked that shows a fault of the site names it.
    for (const SourceAnswer& asked : answer.asked)
        if (*site_fault(asked)) {
            report.fault = site_fault(asked);
            report.fault_reason = std::string(ascii_name(asked.kind)) + ": " + asked.reason;
            if (asked.dropped) report.fault_reason += " (" + dropped_rows_note(asked) + ")";
            break;
        }
    return report;
}

std::vector<FundReport> collect_holdings(HoldingsCollector& collector, const ArrayBlock* lines,
                                         const CodeProgress& progress, FundsAhead& funds,
                                         RunHistory* history) {
    std::vector<FundReport> reports;
    std::vector<std::string> seen;
    const int32_t count = lines ? lines->sizes()[0] : 0;
    size_t taken = 0;
    for (int32_t i = 0; i < count; ++i) {
        const TypedLine typed = typed_line(static_cast<const char*>(lines->pointer_at(i)));
        if (typed.outcome != FundOutcome::read) {
            reports.push_back({typed.code, typed.outcome, {}, {}});
            continue;
        }
        const char* line = typed.code.c_str();
        if (std::find(seen.begin(), seen.end(), typed.code) != seen.end()) {
            reports.push_back({typed.code, FundOutcome::repeated, {}, {}});
            reports.back().amount = typed.amount;
            continue;
        }
        seen.push_back(typed.code);
        OwnedText text(progress_text(line));
        if (progress.starting) progress.starting(line, text.get());
        const int32_t first = record_count(collector.holdings()) + 1;
        if (history && history->offline()) {
            reports.push_back({line, FundOutcome::nothing_stored, {}, {}});
        } else {
            const FundAnswer answer = funds.take(taken++);
            collector.take_answer(answer.page(), answer.answered());
            reports.push_back(fund_report(line, answer));
        }
        if (history) history->fund_read(reports.back(), collector, first);
        reports.back().amount = typed.amount;
        if (progress.finished) progress.finished(reports.back());
    }
    return reports;
}

}  // namespace qinghe::app
