// The site's mobile JSON endpoint as a source:
//   GET
//   {base}FundMNewApi/FundMNInverstPosition?FCODE=C&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0
// with a user agent of its own. Each row's change comes as the answer gives
// it; the fund's name is not in the answer, and there is no list of stocks
// that left the top ten.
#pragma once

#include <string>
#include <string_view>

#include "analysis/sources/holdings_source.h"

namespace qinghe::app {

class MobileSource : public HoldingsSource {
public:
    MobileSource(std::string base, std::string user_agent)
        : base_(std::move(base)), user_agent_(std::move(user_agent)) {}
    SourceKind kind() const override { return SourceKind::mobile; }
    SourceAnswer ask(const std::string& code, const Fetch& fetch) const override;

private:
    std::string base_;
    std::string user_agent_;  // sent with each request
};

std::string mobile_url(std::string_view base, std::string_view code);

}  // namespace qinghe::app
