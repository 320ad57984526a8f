// The end-of-run line naming the typed lines that gave nothing, with a short
// reason each (the site's fault where a source showed one), then the codes
// analysed from the history with the report date of their stored report,
// then the codes typed again, analysed once, and, when some line has an
// amount of money, the funds read without one, then the feeder funds shown
// without their target ETF's stocks:
// "未读到: 16012(不是6位) 999999(无持仓) 701009(站点繁忙) 701003(金额无效)
// 用缓存: 601002(2026-06-30) 重复: 701001 未填金额: 702001
// 联接基金: 705002(目标ETF份额未知)".
#pragma once

#include <string>
#include <vector>

#include "analysis/fund_report.h"

namespace qinghe::app {

// The line (GBK) for a run's reports in line order; empty when every
// non-empty line was read from a source. Empty lines are never named.
std::string unread_codes_line(const std::vector<FundReport>& reports);

// A line as it is named: every blank or control byte shown as "□" (GBK has
// no open-box sign) so a trailing blank is visible; long lines are cut.
std::string visible_code(const std::string& line);

}  // namespace qinghe::app
