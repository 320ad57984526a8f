#include "analysis/sources/mobile_answer.h"

#include <nlohmann/json.hpp>

#include "analysis/decimal_numbers.h"

#include <cmath>

namespace qinghe::app {
namespace {

using nlohmann::json;

constexpr size_t kRows = 10;
constexpr char kQuoteLink[] = "https://quote.eastmoney.com/unify/r/";

// The deepest nesting of brackets outside strings, counted up to `limit` + 1.
size_t nesting(std::string_view text, size_t limit) {
    size_t depth = 0, deepest = 0;
    bool in_string = false;
    for (size_t i = 0; i < text.size() && deepest <= limit; ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\') ++i;
            else if (c == '"') in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

const json* member(const json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// A field as text: a string as it is, a number as the JSON library writes it.
std::optional<std::string> text_field(const json& object, const char* key) {
    const json* value = member(object, key);
    if (!value) return std::nullopt;
    if (value->is_string()) return value->get<std::string>();
    if (value->is_number()) return value->dump();
    return std::nullopt;
}

// A field as a number: a number, or a string that holds a decimal.
std::optional<float> number_field(const json& object, const char* key) {
    const json* value = member(object, key);
    if (!value) return std::nullopt;
    if (value->is_number()) {
        const double number = value->get<double>();
        return std::isfinite(number) ? std::optional<float>(float(number)) : std::nullopt;
    }
    if (value->is_string()) return decimal_float(value->get_ref<const std::string&>());
    return std::nullopt;
}

std::optional<MobileRow> row_of(const json& stock) {
    const json* name = member(stock, "GPJC");
    const std::optional<float> ratio = number_field(stock, "JZBL");
    if (!name || !name->is_string() || name->get_ref<const std::string&>().empty() || !ratio)
        return std::nullopt;
    MobileRow row;
    row.name = name->get<std::string>();
    row.ratio = *ratio;
    const std::string code = text_field(stock, "GPDM").value_or("");
    const std::string market = text_field(stock, "NEWTEXCH").value_or("");
    if (!code.empty() && !market.empty()) row.link = kQuoteLink + market + "." + code;
    row.change = text_field(stock, "PCTNVCHGTYPE").value_or("");
    row.change_points = number_field(stock, "PCTNVCHG");
    return row;
}

std::string date_of(const json& document) {
    const std::string text = text_field(document, "Expansion").value_or("");
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return {};
    for (size_t k : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[k] < '0' || text[k] > '9') return {};
    return text.substr(0, 10);
}

std::string failure_of(const json& document) {
    const json* success = member(document, "Success");
    const json* code = member(document, "ErrCode");
    const bool failed = (success && success->is_boolean() && !success->get<bool>()) ||
                        (code && code->is_number() && code->get<double>() != 0);
    if (!failed) return {};
    std::string reason = "failure (ErrCode " + (code ? code->dump() : std::string("?")) + ")";
    const std::optional<std::string> message = text_field(document, "ErrMsg");
    return message && !message->empty() ? reason + " " + *message : reason;
}

}  // namespace

MobileAnswer read_mobile_answer(std::string_view body) {
    MobileAnswer answer;
    if (body.size() > kLargestMobileAnswer) answer.error = "JSON too large";
    else if (nesting(body, kDeepestMobileAnswer) > kDeepestMobileAnswer)
        answer.error = "JSON too deep";
    if (!answer.error.empty()) return answer;
    const json document = json::parse(body, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        answer.error = "JSON error";
        return answer;
    }
    answer.error = failure_of(document);
    if (!answer.error.empty()) return answer;
    answer.report_date = date_of(document);
    const json* datas = member(document, "Datas");
    const json* stocks = datas ? member(*datas, "fundStocks") : nullptr;
    if (stocks && stocks->is_array())
        for (const json& stock : *stocks) {
            if (answer.rows.size() == kRows) break;
            if (std::optional<MobileRow> row = row_of(stock))
                answer.rows.push_back(std::move(*row));
        }
    if (answer.rows.empty()) answer.error = "no stocks";
    return answer;
}

}  // namespace qinghe::app
