// Today's table of the funds as qinghe-analyse --today writes it, UTF-8:
// TSV, one fund a line (code, name, estimated change %, coverage %, newest
// quote time, amount, money, reason, then the trading day before with its
// stored estimate and the published change), and a last line "total" with
// the money when amounts were typed; CSV the same with a header (RFC 4180,
// byte-order mark); JSON one document with every fund's `estimate`,
// `coverage`, `quoted_at`, `reason`, `previous` ({"day", "estimate",
// "published"} or null) and its holdings with each stock's
// `price` and `change`. Changes are percent, coverage a percentage of the
// stock share, times Asia/Shanghai.
#pragma once

#include <string>

#include "analysis/output/analysis_output.h"
#include "analysis/today/today_report.h"

namespace qinghe::app {

std::string format_today(const TodayReport& report, OutputFormat format);

// "2026-12-09 14:51:33" for Unix seconds, Asia/Shanghai time; empty for 0.
std::string shanghai_time(long long unix_seconds);

}  // namespace qinghe::app
