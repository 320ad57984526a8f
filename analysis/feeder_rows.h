// A feeder fund seen through its target ETF: the ETF's rows, each ratio
// scaled by the feeder's share in the ETF, join the feeder's own rows (its
// few direct holdings). A stock held both ways keeps both parts in the
// report and is one record of the run: the ETF's part is added to the
// feeder's own record of it. Without a known share nothing is guessed, and
// an ETF whose holdings could not be had adds nothing: the report says which.
#pragma once

#include "analysis/fund_report.h"
#include "analysis/holdings_collector.h"
#include "analysis/sources/funds_ahead.h"

namespace qinghe::app {

// `etf` is what the ETF's sources gave (null: not asked); the collector's
// records from `first_record` (1-based) on are the feeder's.
void add_etf_rows(FundReport& feeder, const FundAnswer* etf, HoldingsCollector& collector,
                  int32_t first_record);

}  // namespace qinghe::app
