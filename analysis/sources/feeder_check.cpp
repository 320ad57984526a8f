#include "analysis/sources/feeder_check.h"

namespace qinghe::app {

bool FeederCheck::answered_by(const HoldingsSources& sources) {
    return !sources.empty() && sources.front()->kind() == SourceKind::mobile;
}

net::Request FeederCheck::request(const std::string& code) const {
    return {mobile_url(base_, code), {}, user_agent_};
}

std::optional<TargetEtf> FeederCheck::ask(const std::string& code, const Fetch& fetch) const {
    if (!asks()) return std::nullopt;
    return source().ask(code, fetch).target_etf;
}

std::optional<TargetEtf> named_target(const std::vector<SourceAnswer>& asked) {
    for (const SourceAnswer& answer : asked)
        if (answer.target_etf) return answer.target_etf;
    return std::nullopt;
}

}  // namespace qinghe::app
