#include "analysis/sources/feeder_check.h"

#include "platform/text_encoding.h"

namespace qinghe::app {

std::optional<TargetEtf> FeederCheck::target(const std::string& code,
                                             const std::vector<SourceAnswer>& asked,
                                             const Fetch& fetch) const {
    if (!asks()) return std::nullopt;
    if (std::optional<TargetEtf> named = named_target(asked)) return named;
    if (!may_be_feeder(asked)) return std::nullopt;
    return source().ask(code, fetch).target_etf;
}

std::optional<TargetEtf> named_target(const std::vector<SourceAnswer>& asked) {
    for (const SourceAnswer& answer : asked)
        if (answer.target_etf) return answer.target_etf;
    return std::nullopt;
}

bool may_be_feeder(const std::vector<SourceAnswer>& asked) {
    std::string name;
    for (const SourceAnswer& answer : asked) {
        // The mobile endpoint asked as a source has told what it could.
        if (answer.kind == SourceKind::mobile) return false;
        if (name.empty()) name = answer.facts.name;
    }
    return platform::utf8_from_gbk(name).find("联接") != std::string::npos;
}

}  // namespace qinghe::app
