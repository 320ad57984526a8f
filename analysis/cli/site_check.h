// qinghe-analyse --check CODE: every source asked for one fund, all of
// them, in order, and one line printed per source, so a user whose list
// stays empty sees which source of the site still answers and why the
// others gave nothing.
#pragma once

#include <string>
#include <vector>

#include "analysis/sources/holdings_source.h"

namespace qinghe::app {

// Every source's answer for `code` (GBK), in order.
std::vector<SourceAnswer> check_sources(const std::string& code, const HoldingsSources& sources,
                                        const Fetch& fetch);

// One line (UTF-8, no line break) for an answer:
//   archive: URL: status 200, 5120 bytes, utf-8, 10 rows, 2026-09-30, 35 ms
// with ", 2 rows dropped: …" when it left rows out and ": REASON" when it
// gave no rows.
std::string check_line(const SourceAnswer& answer);

// What --check prints: a line per answer, or with `json` one JSON array of
// one object per answer, one object a line:
//   {"source": "archive", "url": "…", "status": 200, "bytes": 5120, "charset": "utf-8",
//    "rows": 10, "dropped": 0, "report_date": "2026-09-30", "ms": 35, "reason": null}
std::string check_text(const std::vector<SourceAnswer>& answers, bool json);

}  // namespace qinghe::app
