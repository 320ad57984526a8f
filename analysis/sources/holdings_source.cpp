#include "analysis/sources/holdings_source.h"

#include <algorithm>

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
            sources.push_back(
                std::make_unique<MobileSource>(settings.mobile_base, settings.mobile_user_agent));
            break;
        }
    }
    return sources;
}

void merge_repeated_stocks(std::vector<SourceRow>& rows) {
    std::vector<SourceRow> merged;
    for (SourceRow& row : rows) {
        const auto first = std::find_if(merged.begin(), merged.end(), [&](const SourceRow& m) {
            return m.row.stock_name == row.row.stock_name;
        });
        if (first == merged.end()) merged.push_back(std::move(row));
        else first->row.ratio = float(first->row.ratio + row.row.ratio);
    }
    rows = std::move(merged);
}

SourceAnswer ask_timed(const HoldingsSource& source, const std::string& code, const Fetch& fetch) {
    const auto start = std::chrono::steady_clock::now();
    SourceAnswer answer = source.ask(code, fetch);
    merge_repeated_stocks(answer.rows);
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

std::string dropped_rows_note(const SourceAnswer& answer) {
    if (answer.dropped == 0) return {};
    return std::to_string(answer.dropped) + (answer.dropped == 1 ? " row" : " rows") +
           " dropped: ratio not from 0 to 100";
}

const char* site_fault(const SourceAnswer& answer) {
    const std::string& reason = answer.reason;
    if (!answer.rows.empty()) return "";
    if (reason.starts_with("refused")) return "站点繁忙";
    if (reason.starts_with("failure") && reason.find("繁忙") != std::string::npos)
        return "站点繁忙";
    if (reason.starts_with("JSON") || reason == "not apidata") return "应答错误";
    if (reason == "cut short") return "应答不全";
    if (answer.dropped > 0) return "比例有误";
    return "";
}

void count_response(SourceAnswer& answer, const net::FetchResult& result) {
    answer.status = result.status;
    answer.bytes += result.received;
    answer.facts.received =
        answer.facts.received || (result.ok() && result.whole && !result.body.empty());
}

}  // namespace qinghe::app
