// The answer of the fund site's mobile endpoint for a fund's asset
// allocation, one entry per report, newest first:
//   {"Datas":[{"FSRQ":"2026-09-30","GP":"92.10","ZQ":"3.20","HB":"5.02",
//     "JJ":"--","QT":"0.11","JZC":"12.53"},…],"ErrCode":0,"Success":true}
// Shares are percent of net assets, "--" for none of that kind; JZC is the
// net assets in 100 million yuan. The answer is untrusted: a failure, a JSON
// error or no entry with a date give no mix and the reason.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qinghe::app {

struct AssetMix {
    std::string date;                  // FSRQ, YYYY-MM-DD
    std::optional<double> stocks;      // GP, percent of net assets; 0 for "--"
    std::optional<double> bonds;       // ZQ
    std::optional<double> cash;        // HB
    std::optional<double> funds;       // JJ: other funds, a feeder's target ETF among them
    std::optional<double> other;       // QT
    std::optional<double> net_assets;  // JZC, 100 million yuan
};

struct AssetMixAnswer {
    std::optional<AssetMix> newest;  // the entry with the latest report date
    std::string error;               // why there is none
};

// A share above this is no share of net assets, even with borrowing.
inline constexpr double kLargestAssetShare = 200;
inline constexpr size_t kLargestAssetMixAnswer = size_t(1) << 20;
inline constexpr size_t kDeepestAssetMixAnswer = 16;

AssetMixAnswer read_asset_mix_answer(std::string_view body);

}  // namespace qinghe::app
