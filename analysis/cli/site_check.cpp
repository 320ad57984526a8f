#include "analysis/cli/site_check.h"

#include <algorithm>

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

std::vector<StockId> checked_stocks(const std::vector<SourceAnswer>& answers) {
    std::vector<StockId> stocks;
    for (const SourceAnswer& answer : answers)
        for (const SourceRow& row : answer.rows)
            if (const std::optional<StockId> stock = stock_of_link(row.link);
                stock && std::find(stocks.begin(), stocks.end(), *stock) == stocks.end())
                stocks.push_back(*stock);
    return stocks;
}

std::string quote_check_line(const QuoteSourceCheck& check, size_t stocks) {
    std::string line =
        std::string(ascii_name(check.kind)) + ": " + (check.url.empty() ? "-" : check.url) +
        ": status " + std::to_string(check.status) + ", " + std::to_string(check.requests) +
        " requests, " + std::to_string(check.quotes) + " of " + std::to_string(stocks) + " quoted";
    if (!check.reason.empty()) line += ": " + check.reason;
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

std::string quote_check_object(const QuoteSourceCheck& c, size_t stocks) {
    return std::string("{\"source\": ") + json_string(ascii_name(c.kind)) +
           ", \"url\": " + text_or_null(c.url) + ", \"status\": " + std::to_string(c.status) +
           ", \"requests\": " + std::to_string(c.requests) +
           ", \"stocks\": " + std::to_string(stocks) + ", \"quotes\": " + std::to_string(c.quotes) +
           ", \"reason\": " + text_or_null(c.reason) + "}";
}

}  // namespace

std::string check_text(const std::vector<SourceAnswer>& answers,
                       const std::vector<QuoteSourceCheck>& quotes, size_t stocks, bool json) {
    std::string text;
    const auto add = [&](const std::string& object, const std::string& line) {
        text += json ? (text.empty() ? "[\n  " : ",\n  ") + object : line + "\n";
    };
    for (const SourceAnswer& answer : answers) add(check_object(answer), check_line(answer));
    for (const QuoteSourceCheck& quote : quotes)
        add(quote_check_object(quote, stocks), quote_check_line(quote, stocks));
    return json ? (text.empty() ? "[]\n" : text + "\n]\n") : text;
}

}  // namespace qinghe::app
