// The end-of-run line naming the typed lines that gave nothing, with a short
// reason each: "未读到: 16012(不是6位) 006309□(不是6位) 999999(无持仓)".
#pragma once

#include <string>
#include <vector>

#include "analysis/fund_report.h"

namespace qinghe::app {

// The line (GBK) for a run's reports in line order; empty when every
// non-empty line was read. Empty lines are never named.
std::string unread_codes_line(const std::vector<FundReport>& reports);

// A line as it is named: every blank or control byte shown as "□" (GBK has
// no open-box sign) so a trailing blank is visible; long lines are cut.
std::string visible_code(const std::string& line);

}  // namespace qinghe::app
