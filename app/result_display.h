// The result list in the main window's list box: the rows mirror the
// result list one to one, and the sort labels and the row double-click
// work on it.
//
// Locking: the list box commands run on the main thread, so the rows are
// rebuilt there in one go while the result list's lock is held; no other
// handler can run in between, and the display never shows a half-built
// list. Whoever holds the lock never waits for the main thread.
#pragma once

#include <cstdint>

#include "analysis/output/holder_tips.h"

namespace qinghe::app {

// Rebuilds the list box rows from the result list, on the main thread
// (from a worker the call waits for it).
void show_results();

// Replaces the info tips of the rows (by stock name), shown from the next
// rebuild on. Call with result_list_lock() held.
void set_holder_tips(HolderTips tips);

// Sort handlers: re-sort the result list and show it. A click while a run
// is merging and sorting the list is ignored (the run shows its own sorted
// list right after).
void sort_results_by_ratio();
void sort_results_by_occurrences();
// By the user's money in each stock, when the lines had amounts; the list
// has a fourth column 持有金额 then.
void sort_results_by_money();

// Opens the link of the selected row when it is an http or https address.
void open_selected_row_link();
// The same for a row (0-based); whether a row's link is one that opens.
void open_row_link(int32_t row);
bool row_link_opens(int32_t row);

}  // namespace qinghe::app
