// Whether a fund is a feeder of an ETF, asked of the site's mobile holdings
// endpoint (the mobile source's request) beside the fund's sources, as its
// asset mix is: the page and the archive cannot tell. Where the mobile
// source is asked first anyway, its answer tells and nothing more is sent.
#pragma once

#include <optional>
#include <string>

#include "analysis/sources/holdings_source.h"
#include "analysis/sources/mobile_source.h"

namespace qinghe::app {

class FeederCheck {
public:
    FeederCheck() = default;  // asks nothing: no fund is seen through an ETF
    explicit FeederCheck(const SourceSettings& settings)
        : mobile_(MobileSource(settings.mobile_base, settings.mobile_user_agent)) {}

    bool asks() const { return mobile_.has_value(); }
    // Whether `sources` leave nothing to ask: their first is the mobile one.
    static bool answered_by(const HoldingsSources& sources);
    // The target ETF of `code` (texts GBK), none for a fund that is no
    // feeder or whose answer did not come.
    std::optional<TargetEtf> ask(const std::string& code, const Fetch& fetch) const;

private:
    std::optional<MobileSource> mobile_;
};

// The target a fund's mobile answer named, where its sources asked it.
std::optional<TargetEtf> named_target(const std::vector<SourceAnswer>& asked);

}  // namespace qinghe::app
