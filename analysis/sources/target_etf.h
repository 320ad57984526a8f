// A feeder fund's target ETF as the mobile holdings answer names it:
//   "Datas":{"fundStocks":[…],"ETFCODE":"510300","ETFSHORTNAME":"沪深300ETF",
//     "fundfofs":[{"TZJJDM":"510300","TZJJMC":"沪深300ETF","ZJZBL":"93.40"}],…}
// The feeder's share in the ETF is ZJZBL of that ETF among its fund
// holdings, in percent of net assets; none when it is not listed or no
// share (the run may take the asset mix's funds share instead).
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace qinghe::app {

struct TargetEtf {
    std::string code;             // six digits
    std::string name;             // ETFSHORTNAME, else the fund holding's TZJJMC; may be empty
    std::optional<double> share;  // percent of the feeder's net assets
};

// The target named in `datas` (the answer's "Datas"); none when ETFCODE is
// absent or not six digits.
std::optional<TargetEtf> read_target_etf(const nlohmann::json& datas);

}  // namespace qinghe::app
