#include "analysis/sources/mobile_answer.h"

#include "analysis/decimal_numbers.h"
#include "analysis/sources/json_fields.h"
#include "analysis/sources/report_date.h"

namespace qinghe::app {
namespace {

using nlohmann::json;

constexpr size_t kRows = 10;
constexpr char kQuoteLink[] = "https://quote.eastmoney.com/unify/r/";

// A field as a number: a number, or a string that holds a decimal.
std::optional<float> number_field(const json& object, const char* key) {
    const std::optional<double> number = json_number(object, key);
    return number ? std::optional<float>(float(*number)) : std::nullopt;
}

// A ratio: a number, or a text, from 0 to 100.
std::optional<float> ratio_field(const json& object, const char* key) {
    const json* value = json_member(object, key);
    if (value && value->is_number()) return percentage_number(value->get<double>());
    if (value && value->is_string()) return percentage_text(value->get_ref<const std::string&>());
    return std::nullopt;
}

// A row of a named stock; nothing without a name, or (counted in
// `dropped`) without a ratio.
std::optional<MobileRow> row_of(const json& stock, size_t& dropped) {
    const json* name = json_member(stock, "GPJC");
    if (!name || !name->is_string() || name->get_ref<const std::string&>().empty())
        return std::nullopt;
    const std::optional<float> ratio = ratio_field(stock, "JZBL");
    if (!ratio) {
        ++dropped;
        return std::nullopt;
    }
    MobileRow row;
    row.name = name->get<std::string>();
    row.ratio = *ratio;
    const std::string code = json_text(stock, "GPDM").value_or("");
    const std::string market = json_text(stock, "NEWTEXCH").value_or("");
    if (!code.empty() && !market.empty()) row.link = kQuoteLink + market + "." + code;
    row.change = json_text(stock, "PCTNVCHGTYPE").value_or("");
    row.change_points = number_field(stock, "PCTNVCHG");
    return row;
}

// Expansion's first ten characters when they are a report date.
std::string date_of(const json& document) {
    const std::string text = json_text(document, "Expansion").value_or("");
    return is_report_date(std::string_view(text).substr(0, 10)) ? text.substr(0, 10) : "";
}

}  // namespace

MobileAnswer read_mobile_answer(std::string_view body) {
    MobileAnswer answer;
    const JsonDocument parsed = parse_json_answer(body, kLargestMobileAnswer, kDeepestMobileAnswer);
    const json& document = parsed.value;
    answer.error = parsed.error;
    if (answer.error.empty() && !document.is_object()) answer.error = "JSON error";
    if (!answer.error.empty()) return answer;
    answer.error = json_failure(document);
    if (!answer.error.empty()) return answer;
    answer.report_date = date_of(document);
    const json* datas = json_member(document, "Datas");
    if (datas) answer.target = read_target_etf(*datas);
    const json* stocks = datas ? json_member(*datas, "fundStocks") : nullptr;
    if (stocks && stocks->is_array())
        for (const json& stock : *stocks) {
            if (answer.rows.size() == kRows) break;
            if (std::optional<MobileRow> row = row_of(stock, answer.dropped))
                answer.rows.push_back(std::move(*row));
        }
    if (answer.rows.empty()) answer.error = "no stocks";
    return answer;
}

}  // namespace qinghe::app
