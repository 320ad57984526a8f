// qinghe-analyse --history: what the history holds, as TSV, CSV (as the
// merged list's: UTF-8 with a byte-order mark, a header line) or one JSON
// document. Reports: code, report date, source, read at, rows (JSON adds
// the fund's name, every row and the stocks that left the top ten); funds:
// code, name, newest report date, reports stored.
#pragma once

#include <string>
#include <vector>

#include "analysis/output/analysis_output.h"
#include "analysis/history/history_store.h"

namespace qinghe::app {

// The reports of `codes`, each code's newest first, or every stored fund
// once when `codes` is empty; `store` null means nothing is stored.
// `missing` gets the codes with no report.
std::string history_listing(HistoryStore* store, const std::vector<std::string>& codes,
                            OutputFormat format, std::vector<std::string>& missing);

}  // namespace qinghe::app
