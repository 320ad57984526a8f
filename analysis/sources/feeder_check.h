// Whether a fund is a feeder of an ETF, as the site's mobile holdings
// answer tells (the page and the archive cannot): where the fund's sources
// asked the mobile endpoint, its answer tells; else it is asked once more,
// after the sources, for a fund whose name says it feeds an ETF (联接).
// Every other fund costs no request.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/sources/holdings_source.h"
#include "analysis/sources/mobile_source.h"

namespace qinghe::app {

class FeederCheck {
public:
    FeederCheck() = default;  // asks nothing: no fund is seen through an ETF
    explicit FeederCheck(const SourceSettings& settings)
        : base_(settings.mobile_base), user_agent_(settings.mobile_user_agent) {}

    bool asks() const { return !base_.empty(); }
    MobileSource source() const { return MobileSource(base_, user_agent_); }
    // The target ETF of `code` (texts GBK) after its sources gave `asked`
    // (none when the check asks nothing):
    // the one a mobile answer among them named, else the mobile endpoint's
    // where the fund may be a feeder; none for a fund that is no feeder or
    // whose answer did not come.
    std::optional<TargetEtf> target(const std::string& code, const std::vector<SourceAnswer>& asked,
                                    const Fetch& fetch) const;

private:
    std::string base_;
    std::string user_agent_;
};

// The target a fund's mobile answer named, where its sources asked it.
std::optional<TargetEtf> named_target(const std::vector<SourceAnswer>& asked);

// Whether a fund may feed an ETF: the mobile endpoint is not among `asked`,
// and the name they gave says 联接.
bool may_be_feeder(const std::vector<SourceAnswer>& asked);

}  // namespace qinghe::app
