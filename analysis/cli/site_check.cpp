#include "analysis/cli/site_check.h"

#include "platform/text_encoding.h"

namespace qinghe::app {

std::vector<SourceAnswer> check_sources(const std::string& code, const HoldingsSources& sources,
                                        const Fetch& fetch) {
    std::vector<SourceAnswer> answers;
    for (const auto& source : sources) answers.push_back(ask_timed(*source, code, fetch));
    return answers;
}

std::string check_line(const SourceAnswer& answer) {
    std::string line = std::string(ascii_name(answer.kind)) + ": " +
                       platform::utf8_from_gbk(answer.url) + ": status " +
                       std::to_string(answer.status) + ", " + std::to_string(answer.bytes) +
                       " bytes, " + (answer.charset.empty() ? "-" : answer.charset) + ", " +
                       std::to_string(answer.rows.size()) + " rows, " +
                       (answer.facts.report_date.empty() ? "no date" : answer.facts.report_date) +
                       ", " + std::to_string(answer.took.count()) + " ms";
    if (answer.rows.empty()) line += ": " + answer.reason;
    return line;
}

}  // namespace qinghe::app
