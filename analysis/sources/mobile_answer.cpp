#include "analysis/sources/mobile_answer.h"

#include <nlohmann/json.hpp>

#include "analysis/decimal_numbers.h"
#include "analysis/sources/report_date.h"

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

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The UTF-16 unit of a \uXXXX escape at `at` (its backslash), or -1.
long escaped_unit(std::string_view text, size_t at) {
    if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
    for (size_t k = at + 2; k < at + 6; ++k)
        if (!is_hex(text[k])) return -1;
    return std::stol(std::string(text.substr(at + 2, 4)), nullptr, 16);
}

// The body with every escaped surrogate that lacks its other half written
// as \ufffd instead (the same length); escaped pairs stay.
std::string lone_surrogates_replaced(std::string_view body) {
    std::string text(body);
    bool in_string = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') in_string = !in_string;
        if (!in_string || text[i] != '\\') continue;
        const long unit = escaped_unit(text, i);
        if (unit < 0) {
            ++i;  // another escape: its character is not a quote
            continue;
        }
        const bool high = unit >= 0xD800 && unit < 0xDC00, low = unit >= 0xDC00 && unit < 0xE000;
        const long next = high ? escaped_unit(text, i + 6) : -1;
        if (high && next >= 0xDC00 && next < 0xE000) i += 6;
        else if (high || low) text.replace(i + 2, 4, "fffd");
        i += 5;
    }
    return text;
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

// A ratio: a number, or a text, from 0 to 100.
std::optional<float> ratio_field(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value && value->is_number()) return percentage_number(value->get<double>());
    if (value && value->is_string()) return percentage_text(value->get_ref<const std::string&>());
    return std::nullopt;
}

// A row of a named stock; nothing without a name, or (counted in
// `dropped`) without a ratio.
std::optional<MobileRow> row_of(const json& stock, size_t& dropped) {
    const json* name = member(stock, "GPJC");
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
    const std::string code = text_field(stock, "GPDM").value_or("");
    const std::string market = text_field(stock, "NEWTEXCH").value_or("");
    if (!code.empty() && !market.empty()) row.link = kQuoteLink + market + "." + code;
    row.change = text_field(stock, "PCTNVCHGTYPE").value_or("");
    row.change_points = number_field(stock, "PCTNVCHG");
    return row;
}

// Expansion's first ten characters when they are a report date.
std::string date_of(const json& document) {
    const std::string text = text_field(document, "Expansion").value_or("");
    return is_report_date(std::string_view(text).substr(0, 10)) ? text.substr(0, 10) : "";
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
    const json document = json::parse(lone_surrogates_replaced(body), nullptr, false);
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
            if (std::optional<MobileRow> row = row_of(stock, answer.dropped))
                answer.rows.push_back(std::move(*row));
        }
    if (answer.rows.empty()) answer.error = "no stocks";
    return answer;
}

}  // namespace qinghe::app
