#include "analysis/sources/json_fields.h"

#include "analysis/decimal_numbers.h"

#include <algorithm>
#include <cmath>

namespace qinghe::app {

using nlohmann::json;

namespace {

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

}  // namespace

JsonDocument parse_json_answer(std::string_view body, size_t largest, size_t deepest) {
    JsonDocument document;
    if (body.size() > largest) document.error = "JSON too large";
    else if (nesting(body, deepest) > deepest) document.error = "JSON too deep";
    if (!document.error.empty()) return document;
    document.value = json::parse(lone_surrogates_replaced(body), nullptr, false);
    if (document.value.is_discarded()) {
        document.value = nullptr;
        document.error = "JSON error";
    }
    return document;
}

const json* json_member(const json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> json_text(const json& object, const char* key) {
    const json* value = json_member(object, key);
    if (!value) return std::nullopt;
    if (value->is_string()) return value->get<std::string>();
    if (value->is_number()) return value->dump();
    return std::nullopt;
}

std::optional<double> json_number(const json& object, const char* key) {
    const json* value = json_member(object, key);
    if (!value) return std::nullopt;
    if (value->is_number()) {
        const double number = value->get<double>();
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    if (value->is_string()) return decimal_double(value->get_ref<const std::string&>());
    return std::nullopt;
}

std::string json_failure(const json& document) {
    const json* success = json_member(document, "Success");
    const json* code = json_member(document, "ErrCode");
    const bool failed = (success && success->is_boolean() && !success->get<bool>()) ||
                        (code && code->is_number() && code->get<double>() != 0);
    if (!failed) return {};
    std::string reason = "failure (ErrCode " + (code ? code->dump() : std::string("?")) + ")";
    const std::optional<std::string> message = json_text(document, "ErrMsg");
    return message && !message->empty() ? reason + " " + *message : reason;
}

}  // namespace qinghe::app
