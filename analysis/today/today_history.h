// The history's part in a reading of today's estimates (qinghe-analyse
// --today, each reading of the 今日估算 window), on either side of
// TodayReader::read:
// - before it, the published changes of the funds whose newest stored
//   estimate has none yet are brought in (published_values.h), and the
//   reader is given each fund's stored estimate of the trading day before
//   with the change published for it;
// - after it, every fund's estimate of the report's trading day is stored,
//   the last one of a day in place of the earlier.
// The store is the caller's own connection, so that a window's worker never
// shares one with a running analysis (the file is WAL with a busy time-out).
// Its faults hold as everywhere: read-only or off, nothing is stored and
// the reading goes on.
#pragma once

#include <string_view>
#include <vector>

#include "analysis/fund_report.h"
#include "analysis/history/history_store.h"
#include "analysis/today/today_reader.h"
#include "net/download_engine.h"

namespace qinghe::app {

// `store` null: no history, nothing asked. `engine` null (offline): no
// published change is asked. `nav_base` is the net values' base URL
// (Host::nav). The reader asks `store` until after_today_reading.
void before_today_reading(HistoryStore* store, TodayReader& reader, net::DownloadEngine* engine,
                          std::string_view nav_base, const std::vector<FundReport>& funds);

// The reader asks the store no more; `report`'s estimates are stored.
void after_today_reading(HistoryStore* store, TodayReader& reader, const TodayReport& report);

}  // namespace qinghe::app
