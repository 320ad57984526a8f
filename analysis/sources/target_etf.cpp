#include "analysis/sources/target_etf.h"

#include <algorithm>

#include "analysis/sources/asset_mix_answer.h"
#include "analysis/sources/json_fields.h"

namespace qinghe::app {
namespace {

using nlohmann::json;

bool is_fund_code(const std::string& text) {
    return text.size() == 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The fund holding of `code` among `holdings`, or null.
const json* holding_of(const json& datas, const std::string& code) {
    const json* holdings = json_member(datas, "fundfofs");
    if (!holdings || !holdings->is_array()) return nullptr;
    for (const json& holding : *holdings)
        if (json_text(holding, "TZJJDM") == code) return &holding;
    return nullptr;
}

// A share of net assets above 0 and within what any fund may hold.
std::optional<double> share_of(const json& holding) {
    const std::optional<double> share = json_number(holding, "ZJZBL");
    if (!share || *share <= 0 || *share > kLargestAssetShare) return std::nullopt;
    return share;
}

}  // namespace

std::optional<TargetEtf> read_target_etf(const json& datas) {
    TargetEtf target;
    target.code = json_text(datas, "ETFCODE").value_or("");
    if (!is_fund_code(target.code)) return std::nullopt;
    target.name = json_text(datas, "ETFSHORTNAME").value_or("");
    if (const json* holding = holding_of(datas, target.code)) {
        if (target.name.empty()) target.name = json_text(*holding, "TZJJMC").value_or("");
        target.share = share_of(*holding);
    }
    return target;
}

}  // namespace qinghe::app
