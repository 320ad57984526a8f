#include "analysis/analysis_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "analysis/core_calls.h"
#include "analysis/holding_list.h"
#include "analysis/holdings_sorting.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

std::string utf8(const std::string& gbk) { return platform::utf8_from_gbk(gbk); }
std::string utf8(const char* gbk) { return gbk ? utf8(std::string(gbk)) : std::string(); }

// The ratio as the program writes numbers ("9.66").
std::string ratio_text(float ratio) {
    OwnedText text(to_text(TaggedArg::of_float(ratio)));
    return utf8(text.get());
}

std::string two_decimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// An exposure that is not a finite number (a page's ratio beyond the float
// range) is no figure: an empty field, null in JSON.
std::string exposure_field(double exposure) {
    return std::isfinite(exposure) ? two_decimals(exposure) : std::string();
}

const HoldingRecord& record(const AnalysisResult& result, size_t index) {
    return *record_at(result.merged, int32_t(index + 1));
}

// --- TSV ---------------------------------------------------------------

}  // namespace

std::string tsv_field(std::string field) {
    for (char& c : field)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return field;
}

namespace {

std::string tsv(const AnalysisResult& result) {
    std::string out;
    for (size_t i : result.order) {
        const HoldingRecord& r = record(result, i);
        out += tsv_field(utf8(r.stock_name)) + '\t' + tsv_field(ratio_text(r.ratio)) + '\t' +
               std::to_string(r.occurrences) + '\t' + tsv_field(utf8(r.link));
        if (!result.amounts.empty()) out += '\t' + exposure_field(result.exposures[i]);
        out += '\n';
    }
    return out;
}

// --- CSV ---------------------------------------------------------------

}  // namespace

std::string csv_field(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

namespace {

std::string csv(const AnalysisResult& result) {
    const bool weighted = !result.amounts.empty();
    std::string out = "\xEF\xBB\xBF股票名称,持仓比例,出现次数,链接";
    out += weighted ? ",资金占比\r\n" : "\r\n";
    for (size_t i : result.order) {
        const HoldingRecord& r = record(result, i);
        out += csv_field(utf8(r.stock_name)) + ',' + csv_field(ratio_text(r.ratio)) + ',' +
               std::to_string(r.occurrences) + ',' + csv_field(utf8(r.link));
        if (weighted) out += ',' + exposure_field(result.exposures[i]);
        out += "\r\n";
    }
    return out;
}

// --- JSON --------------------------------------------------------------

// The length of the valid UTF-8 sequence at `at`, 0 when it is not one.
size_t utf8_sequence(const std::string& s, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                    : lead >= 0xE0                ? 3
                    : lead >= 0xC2 && lead < 0xE0 ? 2
                                                  : 0;
    if (length == 0 || at + length > s.size()) return 0;
    for (size_t k = 1; k < length; ++k)
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;  // overlong, surrogate or beyond U+10FFFF
    return length;
}

}  // namespace

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = utf8_sequence(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out + '"';
}

namespace {

std::string json_text_or_null(const std::string& gbk) {
    return gbk.empty() ? "null" : json_string(utf8(gbk));
}

// The shortest decimal that reads back as the same float.
std::string json_number(float value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

const char* outcome_name(FundOutcome outcome) {
    switch (outcome) {
    case FundOutcome::read: return "read";
    case FundOutcome::download_failed: return "download_failed";
    case FundOutcome::no_holdings: return "no_holdings";
    case FundOutcome::not_six_bytes: return "not_six_bytes";
    case FundOutcome::nothing_stored: return "nothing_stored";
    }
    return "";
}

std::string json_fund(const AnalysisResult& result, size_t f) {
    const FundReport& fund = result.funds[f];
    std::string out = "{\"code\": " + json_string(utf8(fund.code)) +
                      ", \"name\": " + json_text_or_null(fund.facts.name) +
                      ", \"report_date\": " + json_text_or_null(fund.facts.report_date) +
                      ", \"outcome\": \"" + outcome_name(fund.outcome) +
                      "\", \"cached\": " + (fund.cached ? "true" : "false") +
                      ", \"rows\": " + std::to_string(fund.rows.size());
    if (!result.amounts.empty()) out += ", \"amount\": " + two_decimals(result.amounts[f]);
    return out + "}";
}

std::string json_stock(const AnalysisResult& result, size_t i) {
    const HoldingRecord& r = record(result, i);
    std::string out = "{\"name\": " + json_string(utf8(r.stock_name)) +
                      ", \"ratio\": " + json_number(r.ratio) +
                      ", \"occurrences\": " + std::to_string(r.occurrences) +
                      ", \"link\": " + json_string(utf8(r.link));
    if (!result.amounts.empty()) {
        const std::string figure = exposure_field(result.exposures[i]);
        out += ", \"exposure\": " + (figure.empty() ? "null" : figure);
    }
    out += ", \"funds\": [";
    const auto& holders = result.holders[i];
    for (size_t k = 0; k < holders.size(); ++k)
        out += std::string(k ? ", " : "") +
               "{\"code\": " + json_string(utf8(result.funds[holders[k].fund].code)) +
               ", \"ratio\": " + json_number(holders[k].ratio) + "}";
    return out + "]}";
}

template <class Item>
std::string json_list(size_t count, Item item) {
    std::string out = "[";
    for (size_t k = 0; k < count; ++k) out += (k ? ",\n    " : "\n    ") + item(k);
    return out + (count ? "\n  ]" : "]");
}

std::string json(const AnalysisResult& result) {
    std::string out = "{\n  \"funds\": " + json_list(result.funds.size(), [&](size_t f) {
                          return json_fund(result, f);
                      });
    out += ",\n  \"stocks\": " + json_list(result.order.size(), [&](size_t k) {
               return json_stock(result, result.order[k]);
           });
    out += ",\n  \"same_holdings\": " + json_list(result.same_holdings.size(), [&](size_t k) {
               const auto [a, b] = result.same_holdings[k];
               return "[" + json_string(utf8(result.funds[a].code)) + ", " +
                      json_string(utf8(result.funds[b].code)) + "]";
           });
    const std::string dates = differing_dates(result.funds);
    if (!dates.empty()) out += ",\n  \"note\": " + json_string("report dates differ: " + dates);
    return out + "\n}\n";
}

}  // namespace

std::string differing_dates(const std::vector<FundReport>& funds) {
    const std::vector<std::string> dates = report_dates(funds);
    std::string joined;
    if (dates.size() < 2) return joined;
    for (const std::string& date : dates) joined += (joined.empty() ? "" : ", ") + date;
    return joined;
}

AnalysisResult analysis_result(std::vector<FundReport> funds, ArrayBlock* merged,
                               std::vector<double> amounts, SortKey sort) {
    if (sort == SortKey::ratio) sort_by_ratio(merged, 1, record_count(merged));
    if (sort == SortKey::count) sort_by_occurrences(merged, 1, record_count(merged));
    AnalysisResult result{std::move(funds), merged, std::move(amounts), {}, {}, {}, {}};
    result.holders = look_through(merged, result.funds);
    for (const auto& holders : result.holders)
        result.exposures.push_back(result.amounts.empty() ? 0 : exposure(holders, result.amounts));
    result.order.resize(size_t(record_count(merged)));
    for (size_t i = 0; i < result.order.size(); ++i) result.order[i] = i;
    // Largest first; an exposure that is no figure goes last.
    if (sort == SortKey::exposure)
        std::stable_sort(result.order.begin(), result.order.end(), [&](size_t a, size_t b) {
            const double x = result.exposures[a], y = result.exposures[b];
            return std::isfinite(x) && (!std::isfinite(y) || x > y);
        });
    result.same_holdings = same_holdings(result.funds);
    return result;
}

std::string format_result(const AnalysisResult& result, OutputFormat format) {
    switch (format) {
    case OutputFormat::csv: return csv(result);
    case OutputFormat::json: return json(result);
    case OutputFormat::tsv: break;
    }
    return tsv(result);
}

}  // namespace qinghe::app
