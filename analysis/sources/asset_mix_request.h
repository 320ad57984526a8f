// A fund's asset allocation asked of the site's mobile endpoint:
//   GET
//   {base}FundMNewApi/FundMNAssetAllocationNew?FCODE=C&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0
// with the mobile source's user agent. Asked beside the holdings; a mix that
// cannot be had leaves the fund's rows as they are.
#pragma once

#include <string>
#include <string_view>

#include "analysis/sources/asset_mix_answer.h"
#include "analysis/sources/holdings_source.h"

namespace qinghe::app {

std::string asset_mix_url(std::string_view base, std::string_view code);

class AssetMixRequest {
public:
    AssetMixRequest() = default;  // asks nothing
    AssetMixRequest(std::string base, std::string user_agent)
        : base_(std::move(base)), user_agent_(std::move(user_agent)) {}
    explicit AssetMixRequest(const SourceSettings& settings)
        : AssetMixRequest(settings.mobile_base, settings.mobile_user_agent) {}

    bool asks() const { return !base_.empty(); }
    // The newest mix of `code` (GBK), or the reason there is none.
    AssetMixAnswer ask(const std::string& code, const Fetch& fetch) const;
    // The same in two steps: the request for `code`, and the mix its answer gives.
    net::Request request(const std::string& code) const;
    static AssetMixAnswer read(const net::FetchResult& result);

private:
    std::string base_;
    std::string user_agent_;
};

}  // namespace qinghe::app
