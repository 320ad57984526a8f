// The part of an analysis run shared by the window and the command line:
// the lines of input are taken one after the other, every line of exactly
// six bytes is a fund code, asked of its sources (read ahead) and its rows
// kept in the run's collector.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analysis/fund_report.h"
#include "analysis/sources/funds_ahead.h"
#include "analysis/holdings_collector.h"
#include "analysis/history/run_history.h"

namespace qinghe::app {

struct CodeProgress {
    // Before a code is taken, with the progress text for it (GBK).
    std::function<void(const char* code, const char* progress_text)> starting;
    // After it, with what it gave.
    std::function<void(const FundReport& report)> finished;
};

// "解析基金代码 " + code + " 中…… "; a new text.
char* progress_text(const char* code);

// Whether a line is taken as a code: exactly six bytes, nothing trimmed (a
// line with an amount is taken by its code, see code_line.h).
bool is_accepted_code(const char* line);

// The codes of the accepted lines of `lines` (an array of texts), in
// order, each code once.
std::vector<std::string> accepted_codes(const ArrayBlock* lines);

// What a fund's answer reports: the rows and facts of the source that gave
// rows, the name from an earlier source where that one has none.
FundReport fund_report(const std::string& code, const FundAnswer& answer);

// Takes every accepted line of `lines` from `funds` (made for the same
// lines) into the collector. Returns one report per line, in line order;
// lines not taken as codes are reported too (not_six_bytes, bad_amount), and so are
// the repeats of a code (repeated), without progress calls. With a history, each fund's read ends
// there (stored, or taken from it); offline, nothing is taken from `funds` (made for no code).
std::vector<FundReport> collect_holdings(HoldingsCollector& collector, const ArrayBlock* lines,
                                         const CodeProgress& progress, FundsAhead& funds,
                                         RunHistory* history = nullptr);

}  // namespace qinghe::app
