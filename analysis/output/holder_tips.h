// The info tips of the result list: for each stock, one line per fund that
// holds it, in the order of the typed codes, with the stock's change since
// the fund's previous quarter where its source (or the history) knows it,
//   701001 青禾新兴消费混合A 5.48% (2026-09-30) 增持 +1.05
// ("(缓存 2026-09-30)" for a fund analysed from its stored report); a
// feeder fund's part through its target ETF on a line of its own
// (" 经 707009 篁川沪深300ETF 93.4%", the feeder's share in the ETF), a feeder
// shown by its own rows only saying why (" 联接基金, 目标ETF份额未知"); the
// fund's part of the user's money when the lines have amounts (" ￥1,096.00"),
// how much of the fund its top ten shows (" [前十 45.20% / 股票 92.10% = 49%]",
// " 资产配置未知"), and one
// more line when the funds of the run report different quarters.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/fund_report.h"
#include "runtime/values.h"

namespace qinghe::app {

// By stock name (GBK), the tip text (GBK, lines joined by "\n").
using HolderTips = std::unordered_map<std::string, std::string>;

HolderTips holder_tips(const ArrayBlock* merged, const std::vector<FundReport>& funds);

}  // namespace qinghe::app
