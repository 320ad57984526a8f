// The info tips of the result list: for each stock, one line per fund that
// holds it, in the order of the typed codes,
//   160127 南方新兴消费增长股票(LOF)A 9.66% (2022-09-30)
// ("(缓存 2022-09-30)" for a fund analysed from its stored report), and one
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
