// A fund's top ten of its newest quarter compared with the previous
// quarter's, stock by stock (by name):
//   新增  the stock was not in the previous top ten;
//   增持  its ratio went up, 减持 down, by the difference in points;
//   持平  its ratio is the same (to the hundredth of a point);
// and the stocks of the previous top ten missing from the newest, which
// the fund sold or cut below its top ten ("exited"). Pure: no downloads,
// no runtime calls; the sources that read two quarters and the history of
// earlier runs use the same comparison.
#pragma once

#include <vector>

#include "analysis/fund_report.h"

namespace qinghe::app {

// The words of a change, GBK.
namespace change_word {
inline constexpr char kNew[] = "\xD0\xC2\xD4\xF6";        // 新增
inline constexpr char kRaised[] = "\xD4\xF6\xB3\xD6";     // 增持
inline constexpr char kCut[] = "\xBC\xF5\xB3\xD6";        // 减持
inline constexpr char kUnchanged[] = "\xB3\xD6\xC6\xBD";  // 持平
}  // namespace change_word

struct QuarterChange {
    std::vector<FundRow> rows;    // the newest rows, in their order, each with its change
    std::vector<FundRow> exited;  // previous rows not among them, in previous order
};

// `newest` with every row's change against `previous` (the change fields
// of both are not read). A stock named twice in `previous` is compared
// with its first row.
QuarterChange compare_quarters(std::vector<FundRow> newest, const std::vector<FundRow>& previous);

}  // namespace qinghe::app
