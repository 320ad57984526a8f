#include "analysis/sources/holdings_source.h"

#include "analysis/sources/archive_source.h"
#include "analysis/sources/mobile_source.h"
#include "analysis/sources/page_source.h"

namespace qinghe::app {

HoldingsSources make_sources(const SourceSettings& settings) {
    HoldingsSources sources;
    for (SourceKind kind : settings.order) {
        switch (kind) {
        case SourceKind::page:
            sources.push_back(std::make_unique<PageSource>(settings.page_base));
            break;
        case SourceKind::archive:
            sources.push_back(std::make_unique<ArchiveSource>(settings.archive_base));
            break;
        case SourceKind::mobile:
            sources.push_back(std::make_unique<MobileSource>(settings.mobile_base));
            break;
        }
    }
    return sources;
}

SourceAnswer ask_timed(const HoldingsSource& source, const std::string& code, const Fetch& fetch) {
    const auto start = std::chrono::steady_clock::now();
    SourceAnswer answer = source.ask(code, fetch);
    answer.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return answer;
}

std::string failed_response_reason(const net::FetchResult& result) {
    if (result.ok() && result.whole) return {};
    if (result.status == 0) return "no answer";
    if (result.ok()) return "cut short";
    const std::string status = std::to_string(result.status);
    if (result.status == 429 || result.status == 503) return "refused (" + status + ")";
    return "status " + status;
}

void count_response(SourceAnswer& answer, const net::FetchResult& result) {
    answer.status = result.status;
    answer.bytes += result.received;
    answer.facts.received =
        answer.facts.received || (result.ok() && result.whole && !result.body.empty());
}

}  // namespace qinghe::app
