// qinghe-analyse --check CODE: every source asked for one fund, all of
// them, in order, and one line printed per source, so a user whose list
// stays empty sees which source of the site still answers and why the
// others gave nothing.
#pragma once

#include <string>
#include <vector>

#include "analysis/sources/holdings_source.h"
#include "analysis/today/quote_sources.h"

namespace qinghe::app {

// Every source's answer for `code` (GBK), in order.
std::vector<SourceAnswer> check_sources(const std::string& code, const HoldingsSources& sources,
                                        const Fetch& fetch);

// One line (UTF-8, no line break) for an answer:
//   archive: URL: status 200, 5120 bytes, utf-8, 10 rows, 2026-09-30, 35 ms
// with ", 2 rows dropped: …" when it left rows out and ": REASON" when it
// gave no rows.
std::string check_line(const SourceAnswer& answer);

// The stocks the rows of `answers` link to, each once: what the quote
// sources are asked for.
std::vector<StockId> checked_stocks(const std::vector<SourceAnswer>& answers);

// One line (UTF-8, no line break) for a quote source:
//   quote: URL: status 200, 1 requests, 10 of 10 quoted
// with ": REASON" when it gave a reason.
std::string quote_check_line(const QuoteSourceCheck& check, size_t stocks);

// What --check prints: a line per answer, then per quote source, or with
// `json` one JSON array of one object per answer, one object a line:
//   {"source": "archive", "url": "…", "status": 200, "bytes": 5120, "charset": "utf-8",
//    "rows": 10, "dropped": 0, "report_date": "2026-09-30", "ms": 35, "reason": null}
// and per quote source:
//   {"source": "quote", "url": "…", "status": 200, "requests": 1, "stocks": 10,
//    "quotes": 10, "reason": null}
std::string check_text(const std::vector<SourceAnswer>& answers,
                       const std::vector<QuoteSourceCheck>& quotes, size_t stocks, bool json);

}  // namespace qinghe::app
