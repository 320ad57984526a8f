#include "analysis/cli/site_check.h"

#include "analysis/output/analysis_output.h"
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
    if (answer.dropped) line += ", " + dropped_rows_note(answer);
    if (answer.rows.empty()) line += ": " + answer.reason;
    return line;
}

namespace {

std::string text_or_null(const std::string& utf8) {
    return utf8.empty() ? "null" : json_string(utf8);
}

std::string check_object(const SourceAnswer& a) {
    return std::string("{\"source\": ") + json_string(ascii_name(a.kind)) +
           ", \"url\": " + json_string(platform::utf8_from_gbk(a.url)) +
           ", \"status\": " + std::to_string(a.status) + ", \"bytes\": " + std::to_string(a.bytes) +
           ", \"charset\": " + text_or_null(a.charset) +
           ", \"rows\": " + std::to_string(a.rows.size()) +
           ", \"dropped\": " + std::to_string(a.dropped) +
           ", \"report_date\": " + text_or_null(a.facts.report_date) +
           ", \"ms\": " + std::to_string(a.took.count()) +
           ", \"reason\": " + text_or_null(a.rows.empty() ? a.reason : "") + "}";
}

}  // namespace

std::string check_text(const std::vector<SourceAnswer>& answers, bool json) {
    std::string text;
    for (const SourceAnswer& answer : answers)
        text += json ? (text.empty() ? "[\n  " : ",\n  ") + check_object(answer)
                     : check_line(answer) + "\n";
    return json ? (text.empty() ? "[]\n" : text + "\n]\n") : text;
}

}  // namespace qinghe::app
