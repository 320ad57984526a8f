// Whether a fund is a feeder of an ETF, asked of the site's mobile holdings
// endpoint (the mobile source's request) beside the fund's sources, as its
// asset mix is: the page and the archive cannot tell. One request gives
// both facts: where the mobile source is asked first anyway, its answer
// tells and nothing more is sent; where it is asked later, it takes the
// answer of this request.
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
        : base_(settings.mobile_base), user_agent_(settings.mobile_user_agent) {}

    bool asks() const { return !base_.empty(); }
    // Whether `sources` leave nothing to ask: their first is the mobile one.
    static bool answered_by(const HoldingsSources& sources);
    // The mobile source, and its request of `code`.
    MobileSource source() const { return MobileSource(base_, user_agent_); }
    net::Request request(const std::string& code) const;
    // The target ETF of `code` (texts GBK) in what `fetch` gives for the
    // request; none for a fund that is no feeder or whose answer did not come.
    std::optional<TargetEtf> ask(const std::string& code, const Fetch& fetch) const;

private:
    std::string base_;
    std::string user_agent_;
};

// The target a fund's mobile answer named, where its sources asked it.
std::optional<TargetEtf> named_target(const std::vector<SourceAnswer>& asked);

}  // namespace qinghe::app
