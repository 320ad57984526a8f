// The merged list of a run as qinghe-analyse writes it: TSV (one stock a
// line, as always), CSV (RFC 4180, UTF-8 with a byte-order mark, header)
// or one JSON document with the funds and, per stock, the funds that hold
// it. Every output is UTF-8.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analysis/fund_report.h"
#include "analysis/look_through.h"
#include "runtime/values.h"

namespace qinghe::app {

enum class OutputFormat { tsv, csv, json };
// as_given keeps the list's own order (the window exports it as shown).
enum class SortKey { ratio, count, exposure, as_given };

struct AnalysisResult {
    std::vector<FundReport> funds;
    const ArrayBlock* merged = nullptr;           // the merged list, not owned
    std::vector<double> amounts;                  // one per fund; empty: no money weighting
    std::vector<std::vector<FundShare>> holders;  // by record of `merged`
    std::vector<double> exposures;                // by record, with amounts
    std::vector<double> money;                    // by record, with amounts: yuan
    std::vector<size_t> order;                    // records (0-based) as printed
    std::vector<std::pair<size_t, size_t>> same_holdings;
};

// Sorts `merged` by ratio or count in place (exposure: a stable order by
// exposure, largest first; as_given: untouched) and gathers what the
// formats print.
AnalysisResult analysis_result(std::vector<FundReport> funds, ArrayBlock* merged,
                               std::vector<double> amounts, SortKey sort);

std::string format_result(const AnalysisResult& result, OutputFormat format);

// One TSV field: each control character becomes one blank, so a record
// stays one line.
std::string tsv_field(std::string field);
// One CSV field (RFC 4180): quoted when it holds a comma, quote or line
// break, quotes doubled.
std::string csv_field(const std::string& field);
// A JSON string literal; control characters escaped, invalid UTF-8 bytes
// replaced by U+FFFD.
std::string json_string(const std::string& text);

// "2022-06-30, 2022-09-30" when the funds read report different dates,
// else empty.
std::string differing_dates(const std::vector<FundReport>& funds);

}  // namespace qinghe::app
