#include "analysis/output/overlap_output.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>

#include "analysis/decimal_numbers.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

// Keys in the order written: funds first, then the matrices and pairs.
using json = nlohmann::ordered_json;

std::string utf8(const std::string& gbk) { return platform::utf8_from_gbk(gbk); }

// One table: a header row of codes, then per fund its code and one cell
// per fund, fields joined by `separator`.
std::string table(const FundOverlap& overlap, const std::vector<FundReport>& reports,
                  const std::string& corner, const std::function<std::string(size_t, size_t)>& cell,
                  bool csv) {
    const char* separator = csv ? "," : "\t";
    const char* line_end = csv ? "\r\n" : "\n";
    auto field = [csv](const std::string& text) { return csv ? csv_field(text) : text; };
    auto code = [&](size_t a) {
        std::string text = utf8(reports[overlap.funds[a]].code);
        // A code is one field, even when typed with control characters.
        for (char& c : text)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        return field(text);
    };
    std::string out = field(corner);
    for (size_t b = 0; b < overlap.funds.size(); ++b) out += separator + code(b);
    out += line_end;
    for (size_t a = 0; a < overlap.funds.size(); ++a) {
        out += code(a);
        for (size_t b = 0; b < overlap.funds.size(); ++b) out += separator + cell(a, b);
        out += line_end;
    }
    return out;
}

std::string tables(const FundOverlap& overlap, const std::vector<FundReport>& reports, bool csv) {
    const std::string points = table(
        overlap, reports, "重合百分点",
        [&](size_t a, size_t b) { return overlap_points_text(overlap.cells[a][b].points); }, csv);
    const std::string common = table(
        overlap, reports, "共同股票数",
        [&](size_t a, size_t b) { return std::to_string(overlap.cells[a][b].common.size()); }, csv);
    return (csv ? "\xEF\xBB\xBF" : "") + points + (csv ? "\r\n" : "\n") + common;
}

// Points to two decimals, as a JSON number.
double rounded(double points) { return std::round(points * 100) / 100; }

json text_or_null(const std::string& gbk) { return gbk.empty() ? json(nullptr) : json(utf8(gbk)); }

json json_funds(const FundOverlap& overlap, const std::vector<FundReport>& reports) {
    json funds = json::array();
    for (size_t a = 0; a < overlap.funds.size(); ++a) {
        const FundReport& fund = reports[overlap.funds[a]];
        funds.push_back({{"code", utf8(fund.code)},
                         {"name", text_or_null(fund.facts.name)},
                         {"report_date", text_or_null(fund.facts.report_date)},
                         {"total", rounded(overlap.total(a))},
                         {"stocks", overlap.cells[a][a].common.size()}});
    }
    return funds;
}

json json_pair(const FundOverlap& overlap, const std::vector<FundReport>& reports, size_t a,
               size_t b) {
    json stocks = json::array();
    for (const CommonStock& stock : overlap.cells[a][b].common)
        stocks.push_back(
            {{"name", utf8(stock.name)},
             {"ratios", json::array({decimal_ratio(stock.ratio_a), decimal_ratio(stock.ratio_b)})}});
    return {{"codes", json::array({utf8(reports[overlap.funds[a]].code),
                                   utf8(reports[overlap.funds[b]].code)})},
            {"points", rounded(overlap.cells[a][b].points)},
            {"identical", overlap.is_identical(a, b)},
            {"stocks", std::move(stocks)}};
}

std::string document(const FundOverlap& overlap, const std::vector<FundReport>& reports) {
    const size_t n = overlap.funds.size();
    json points = json::array(), common = json::array(), pairs = json::array();
    for (size_t a = 0; a < n; ++a) {
        json point_row = json::array(), common_row = json::array();
        for (size_t b = 0; b < n; ++b) {
            point_row.push_back(rounded(overlap.cells[a][b].points));
            common_row.push_back(overlap.cells[a][b].common.size());
            if (a < b) pairs.push_back(json_pair(overlap, reports, a, b));
        }
        points.push_back(std::move(point_row));
        common.push_back(std::move(common_row));
    }
    const json doc = {{"funds", json_funds(overlap, reports)},
                      {"points", std::move(points)},
                      {"common", std::move(common)},
                      {"pairs", std::move(pairs)}};
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string overlap_points_text(double points) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", points);
    return text;
}

std::string format_overlap(const FundOverlap& overlap, const std::vector<FundReport>& reports,
                           OutputFormat format) {
    switch (format) {
    case OutputFormat::csv: return tables(overlap, reports, true);
    case OutputFormat::json: return document(overlap, reports);
    case OutputFormat::tsv: break;
    }
    return tables(overlap, reports, false);
}

}  // namespace qinghe::app
