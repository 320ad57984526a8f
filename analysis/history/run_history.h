// The history's part in one analysis run (a qinghe-analyse process, a click
// on 分析): the store, opened on a thread of its own while the first
// downloads are under way (or where the first fund's read ends) and closed
// after the run, and what happens where a fund's read ends.
// - A read that gave rows is stored as its source gave it. Where the source
//   gave no change (the page), each row's change and the exited stocks are
//   then filled in against the stored report of the quarter before; where
//   it gave no fund name (mobile), the name stored before is taken.
// - A code for which no source gave rows is analysed from its newest stored
//   report: its rows join the collector as if read, the report is marked
//   cached, and its changes come the same way; its asset mix is the one
//   stored last when this run's did not come.
// Offline, nothing is fetched: every code takes the second way, and one with
// nothing stored gives the outcome nothing_stored.
#pragma once

#include <future>
#include <optional>
#include <string>

#include "analysis/fund_report.h"
#include "analysis/history/history_store.h"
#include "analysis/holdings_collector.h"

namespace qinghe::app {

class RunHistory {
public:
    // `path` empty: no history in this run (offline then finds nothing).
    RunHistory(const std::string& path, bool offline);

    bool offline() const { return offline_; }

    // Starts opening the store on a thread of its own, for a run that will
    // read funds: it is ready when the first fund's read ends.
    void open_ahead();

    // Where a fund's read ends: `report` is what it gave, the collector's
    // records from `first_record` (1-based) on are its rows.
    void fund_read(FundReport& report, HoldingsCollector& collector, int32_t first_record);

    // The fault of the store met in this run and the reads it did not
    // store, once.
    HistoryNotice take_notice();

private:
    void keep_read(FundReport& report, const ArrayBlock* holdings, int32_t first);
    void take_stored(FundReport& report, HoldingsCollector& collector);
    void fill_change(FundReport& report);

    void wait_for_store();

    std::string path_;
    std::optional<HistoryStore> store_;
    bool offline_;
    int unstored_ = 0;
    std::future<void> opening_;  // the store opened ahead; ended before store_
};

}  // namespace qinghe::app
