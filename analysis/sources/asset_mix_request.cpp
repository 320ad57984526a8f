#include "analysis/sources/asset_mix_request.h"

#include "analysis/sources/url_encoding.h"

namespace qinghe::app {

std::string asset_mix_url(std::string_view base, std::string_view code) {
    return std::string(base) +
           "FundMNewApi/FundMNAssetAllocationNew?FCODE=" + percent_encoded(code) +
           "&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0";
}

AssetMixAnswer AssetMixRequest::ask(const std::string& code, const Fetch& fetch) const {
    if (!asks()) return {std::nullopt, "not asked"};
    return read(fetch(request(code)));
}

net::Request AssetMixRequest::request(const std::string& code) const {
    return {asset_mix_url(base_, code), {}, user_agent_};
}

AssetMixAnswer AssetMixRequest::read(const net::FetchResult& result) {
    const std::string failed = failed_response_reason(result);
    if (!failed.empty()) return {std::nullopt, failed};
    return read_asset_mix_answer(result.body);
}

}  // namespace qinghe::app
