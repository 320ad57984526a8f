// The answer of the fund site's history endpoint for the net values a fund
// published, one entry a trading day, newest first:
//   {"Data":{"LSJZList":[{"FSRQ":"2026-09-30","DWJZ":"1.2345","LJJZ":"1.5012",
//     "JZZZL":"0.52"},…],…},"ErrCode":0,…}
// DWJZ is the unit net value, JZZZL the day's change in percent; "" or "--"
// where the fund gave none (its first day, a day of dividends). A refused
// request answers {"Data":"","ErrCode":-999}. The answer is untrusted: a
// failure, a JSON error or no entry with a date give no values and the
// reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::app {

struct PublishedValue {
    std::string date;                  // FSRQ, YYYY-MM-DD
    std::optional<double> unit_value;  // DWJZ, yuan; none when not given
    std::optional<double> change;      // JZZZL, percent; none when not given
};

struct NetValueAnswer {
    std::vector<PublishedValue> values;  // one per date, in the answer's order
    std::string error;                   // why there are none
};

// Figures beyond these are no net value or day's change of a fund.
inline constexpr double kLargestUnitValue = 1e6;
inline constexpr double kLargestDayChange = 1000;
inline constexpr size_t kLargestNetValueAnswer = size_t(1) << 20;
inline constexpr size_t kDeepestNetValueAnswer = 16;
// More entries than a page of the endpoint holds are not read.
inline constexpr size_t kMostNetValues = 100;

NetValueAnswer read_net_value_answer(std::string_view body);

}  // namespace qinghe::app
