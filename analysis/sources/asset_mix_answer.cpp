#include "analysis/sources/asset_mix_answer.h"

#include "analysis/sources/json_fields.h"

namespace qinghe::app {
namespace {

using nlohmann::json;

// A share: "--" is none of that kind; a number out of 0..kLargestAssetShare
// or anything else is unknown.
std::optional<double> share_of(const json& entry, const char* key) {
    if (json_text(entry, key) == "--") return 0.0;
    const std::optional<double> share = json_number(entry, key);
    if (!share || *share < 0 || *share > kLargestAssetShare) return std::nullopt;
    return share;
}

bool is_date(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t k : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[k] < '0' || text[k] > '9') return false;
    const int month = (text[5] - '0') * 10 + (text[6] - '0');
    const int day = (text[8] - '0') * 10 + (text[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::optional<AssetMix> mix_of(const json& entry) {
    AssetMix mix;
    mix.date = json_text(entry, "FSRQ").value_or("").substr(0, 10);
    if (!is_date(mix.date)) return std::nullopt;
    mix.stocks = share_of(entry, "GP");
    mix.bonds = share_of(entry, "ZQ");
    mix.cash = share_of(entry, "HB");
    mix.funds = share_of(entry, "JJ");
    mix.other = share_of(entry, "QT");
    const std::optional<double> net = json_number(entry, "JZC");
    if (net && *net >= 0) mix.net_assets = net;
    return mix;
}

}  // namespace

AssetMixAnswer read_asset_mix_answer(std::string_view body) {
    AssetMixAnswer answer;
    JsonDocument document = parse_json_answer(body, kLargestAssetMixAnswer, kDeepestAssetMixAnswer);
    answer.error = document.error;
    if (answer.error.empty()) answer.error = json_failure(document.value);
    if (!answer.error.empty()) return answer;
    const json* entries = json_member(document.value, "Datas");
    if (entries && entries->is_array())
        for (const json& entry : *entries) {
            std::optional<AssetMix> mix = mix_of(entry);
            if (mix && (!answer.newest || mix->date > answer.newest->date))
                answer.newest = std::move(mix);
        }
    if (!answer.newest) answer.error = "no asset allocation";
    return answer;
}

}  // namespace qinghe::app
