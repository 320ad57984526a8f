#include "analysis/output/analysis_output.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "analysis/core_calls.h"
#include "analysis/fund_coverage.h"
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
        if (!result.amounts.empty())
            out +=
                '\t' + exposure_field(result.exposures[i]) + '\t' + exposure_field(result.money[i]);
        out += '\n';
    }
    return out;
}

// --- CSV ---------------------------------------------------------------

}  // namespace

std::string json_string(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

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
    out += weighted ? ",资金占比,持有金额\r\n" : "\r\n";
    for (size_t i : result.order) {
        const HoldingRecord& r = record(result, i);
        out += csv_field(utf8(r.stock_name)) + ',' + csv_field(ratio_text(r.ratio)) + ',' +
               std::to_string(r.occurrences) + ',' + csv_field(utf8(r.link));
        if (weighted)
            out +=
                ',' + exposure_field(result.exposures[i]) + ',' + exposure_field(result.money[i]);
        out += "\r\n";
    }
    return out;
}

// --- JSON --------------------------------------------------------------

using Json = nlohmann::ordered_json;

Json text_or_null(const std::string& gbk) { return gbk.empty() ? Json() : Json(utf8(gbk)); }

Json points_or_null(const std::optional<float>& points) { return points ? Json(*points) : Json(); }

const char* outcome_name(FundOutcome outcome) {
    switch (outcome) {
    case FundOutcome::read: return "read";
    case FundOutcome::download_failed: return "download_failed";
    case FundOutcome::no_holdings: return "no_holdings";
    case FundOutcome::not_six_bytes: return "not_six_bytes";
    case FundOutcome::nothing_stored: return "nothing_stored";
    case FundOutcome::repeated: return "repeated";
    case FundOutcome::bad_amount: return "bad_amount";
    }
    return "";
}

// Money prints with two decimals; every other fraction is one of the
// program's 32-bit ratios, printed as the shortest decimal that reads back
// as the same float.
bool is_money(std::string_view key) {
    return key == "amount" || key == "exposure" || key == "money";
}

std::string number_text(double value, std::string_view key) {
    if (!std::isfinite(value)) return "null";
    if (is_money(key)) return two_decimals(value);
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, float(value)).ptr;
    return std::string(text, end);
}

// A value on one line: {"key": value, …} and [value, …].
std::string one_line(const Json& value, std::string_view key = {}) {
    std::string out;
    switch (value.type()) {
    case Json::value_t::object:
        for (const auto& [name, member] : value.items())
            out += (out.empty() ? "{" : ", ") + json_string(name) + ": " + one_line(member, name);
        return out.empty() ? "{}" : out + "}";
    case Json::value_t::array:
        for (const Json& item : value) out += (out.empty() ? "[" : ", ") + one_line(item);
        return out.empty() ? "[]" : out + "]";
    case Json::value_t::number_float: return number_text(value.get<double>(), key);
    case Json::value_t::string: return json_string(value.get<std::string>());
    default: return value.dump();
    }
}

// The document: one member a line, each item of a list on a line of its own.
std::string document_text(const Json& document) {
    std::string out = "{";
    for (const auto& [name, member] : document.items()) {
        out += (out.size() > 1 ? ",\n  " : "\n  ") + json_string(name) + ": ";
        if (!member.is_array() || member.empty()) {
            out += one_line(member, name);
            continue;
        }
        std::string items;
        for (const Json& item : member)
            items += (items.empty() ? "[\n    " : ",\n    ") + one_line(item);
        out += items + "\n  ]";
    }
    return out + "\n}\n";
}

Json share_or_null(const std::optional<double>& share) { return share ? Json(*share) : Json(); }

Json json_assets(const AssetMix& mix) {
    return {{"date", mix.date},
            {"stocks", share_or_null(mix.stocks)},
            {"bonds", share_or_null(mix.bonds)},
            {"cash", share_or_null(mix.cash)},
            {"funds", share_or_null(mix.funds)},
            {"other", share_or_null(mix.other)},
            {"net_assets", share_or_null(mix.net_assets)}};
}

Json json_fund(const AnalysisResult& result, size_t f) {
    const FundReport& fund = result.funds[f];
    Json out = {{"code", utf8(fund.code)},
                {"name", text_or_null(fund.facts.name)},
                {"report_date", text_or_null(fund.facts.report_date)},
                {"outcome", outcome_name(fund.outcome)},
                {"cached", fund.cached},
                {"rows", fund.rows.size()}};
    if (!result.amounts.empty()) out["amount"] = result.amounts[f];
    out["source"] = fund.source ? Json(ascii_name(*fund.source)) : Json();
    out["exited"] = Json::array();
    for (const FundRow& row : fund.exited)
        out["exited"].push_back({{"name", utf8(row.stock_name)}, {"ratio", row.ratio}});
    // Only a fund whose mix is known has one: a site without asset
    // allocations gives the document as it always was.
    if (fund.assets) {
        out["assets"] = json_assets(*fund.assets);
        const std::optional<double> shown = coverage(fund);
        out["coverage"] = shown ? Json(*shown) : Json();
    }
    if (fund.target_etf)
        out["target_etf"] = {{"code", fund.target_etf->code},
                             {"name", text_or_null(fund.target_etf->name)},
                             {"share", share_or_null(fund.target_etf->share)}};
    return out;
}

Json json_holder(const AnalysisResult& result, const FundShare& share) {
    const FundReport& fund = result.funds[share.fund];
    const FundRow& row = fund.rows[share.row];
    Json out = {{"code", utf8(fund.code)},
                {"ratio", share.ratio},
                {"change", text_or_null(row.change)},
                {"change_points", points_or_null(row.change_points)}};
    if (!row.via.empty()) out["via"] = row.via;
    if (!result.amounts.empty()) out["money"] = money_part(share, result.amounts);
    return out;
}

Json json_stock(const AnalysisResult& result, size_t i) {
    const HoldingRecord& r = record(result, i);
    Json out = {{"name", utf8(r.stock_name)},
                {"ratio", r.ratio},
                {"occurrences", r.occurrences},
                {"link", utf8(r.link)}};
    if (!result.amounts.empty()) {
        out["exposure"] = result.exposures[i];
        out["money"] = result.money[i];
    }
    out["funds"] = Json::array();
    for (const FundShare& share : result.holders[i])
        out["funds"].push_back(json_holder(result, share));
    return out;
}

std::string json(const AnalysisResult& result) {
    Json document = {
        {"funds", Json::array()}, {"stocks", Json::array()}, {"same_holdings", Json::array()}};
    for (size_t f = 0; f < result.funds.size(); ++f)
        document["funds"].push_back(json_fund(result, f));
    for (size_t i : result.order) document["stocks"].push_back(json_stock(result, i));
    for (const auto& [a, b] : result.same_holdings)
        document["same_holdings"].push_back(
            {utf8(result.funds[a].code), utf8(result.funds[b].code)});
    const std::string dates = differing_dates(result.funds);
    if (!dates.empty()) document["note"] = "report dates differ: " + dates;
    return document_text(document);
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
    AnalysisResult result{std::move(funds), merged, std::move(amounts), {}, {}, {}, {}, {}};
    result.holders = look_through(merged, result.funds);
    for (const auto& holders : result.holders) {
        const bool weighted = !result.amounts.empty();
        result.exposures.push_back(weighted ? exposure(holders, result.amounts) : 0);
        result.money.push_back(weighted ? money(holders, result.amounts) : 0);
    }
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
