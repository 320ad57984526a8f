// How good the estimates were: each fund's estimate of a trading day's
// change (the last one of the day) and the changes the fund published, in
// the history's tables `estimate` and `net_value`, read back side by side.
// Through the history store, so they meet the file's faults as its reports
// do: nothing stored while it is read-only or off, a failure turns it off.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/history/history_store.h"
#include "analysis/sources/net_value_answer.h"

namespace qinghe::app {

struct StoredEstimate {
    std::string code;
    std::string trading_day;    // YYYY-MM-DD
    double change = 0;          // percent
    double coverage = 0;        // quoted weight ÷ stock share, a fraction
    std::string holdings_date;  // the report date of the holdings it stands on
    std::string estimated_at;   // local time, ISO 8601 with offset; set when empty
};

// A trading day with a stored estimate, and the change published for it
// when the history has it.
struct EstimatedDay {
    StoredEstimate estimate;
    std::optional<double> published;   // percent
    std::optional<double> difference;  // estimate − published, percentage points
};

// Stores `estimate` in place of the one of its fund and trading day. False
// for a day that is no date or figures that are not finite, and as
// HistoryStore::write.
bool store_estimate(HistoryStore& store, const StoredEstimate& estimate);
// Stores the values of one answer for `code` in one transaction, each in
// place of the one of its date; a figure the answer lacks keeps the one
// stored.
bool store_published_values(HistoryStore& store, const std::string& code,
                            const std::vector<PublishedValue>& values);
// Every day of `code` with an estimate, newest first.
std::vector<EstimatedDay> estimated_days(HistoryStore& store, const std::string& code);
// Yesterday's estimate beside the published change: the latest day of
// `code` with an estimate before `today` (YYYY-MM-DD), as the window and
// --today show it under the day's own estimate (published_values.h brings
// the published changes in).
std::optional<EstimatedDay> previous_day_estimate(HistoryStore& store, const std::string& code,
                                                  const std::string& today);

// The mean of |difference| over the days that have one; none without.
std::optional<double> mean_absolute_difference(const std::vector<EstimatedDay>& days);

}  // namespace qinghe::app
