// The report date an answer gives, checked: a date of the calendar that
// has come, not a text that only looks like one ("2026-13-45",
// "9999-99-99"), which would sort as the newest report for good.
#pragma once

#include <string_view>

namespace qinghe::app {

// Whether `text` is a report date: YYYY-MM-DD, a real day of the calendar,
// not after tomorrow (UTC), so that a time zone ahead is no fault.
bool is_report_date(std::string_view text);

}  // namespace qinghe::app
