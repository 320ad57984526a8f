#include "analysis/fund_report.h"

#include <algorithm>
#include <cctype>

#include "analysis/app_texts.h"
#include "analysis/sources/character_references.h"
#include "analysis/sources/page_pieces.h"
#include "analysis/sources/report_date.h"

namespace qinghe::app {
namespace {

// The title's text before "(CODE)".
std::string fund_name(std::string_view title, std::string_view code) {
    const size_t at = title.find("(" + std::string(code) + ")");
    if (at == std::string_view::npos) return {};
    std::string_view name = title.substr(0, at);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front())))
        name.remove_prefix(1);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
        name.remove_suffix(1);
    return decode_character_references(name);
}

// The date at the start of `rest`, blanks skipped.
std::string report_date(std::string_view rest) {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    rest = rest.substr(0, 10);
    return is_report_date(rest) ? std::string(rest) : std::string();
}

}  // namespace

FundPageFacts fund_page_facts(std::string_view code, bool received, std::string_view title,
                              std::optional<std::string_view> after_date_marker) {
    FundPageFacts facts;
    facts.received = received;
    facts.name = fund_name(title, code);
    if (after_date_marker) facts.report_date = report_date(*after_date_marker);
    return facts;
}

FundPageFacts read_fund_page_facts(std::string_view code, std::string_view page, const char* text) {
    const std::string_view whole = text ? text : "";
    const std::string_view marker = app_text(AppText::section_end);
    const size_t at = whole.find(marker);
    return fund_page_facts(code, !page.empty(), page_title(whole),
                           at == std::string_view::npos
                               ? std::nullopt
                               : std::optional(whole.substr(at + marker.size())));
}

std::vector<std::string> report_dates(const std::vector<FundReport>& funds) {
    std::vector<std::string> dates;
    for (const FundReport& fund : funds)
        if (fund.outcome == FundOutcome::read && !fund.facts.report_date.empty())
            dates.push_back(fund.facts.report_date);
    std::sort(dates.begin(), dates.end());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
    return dates;
}

}  // namespace qinghe::app
