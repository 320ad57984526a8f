#include "analysis/sources/json_fields.h"

#include <algorithm>
#include <charconv>
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

std::optional<double> decimal_text(std::string_view text) {
    double number = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(number))
        return std::nullopt;
    return number;
}

}  // namespace

JsonDocument parse_json_answer(std::string_view body, size_t largest, size_t deepest) {
    JsonDocument document;
    if (body.size() > largest) document.error = "JSON too large";
    else if (nesting(body, deepest) > deepest) document.error = "JSON too deep";
    if (!document.error.empty()) return document;
    document.value = json::parse(body, nullptr, false);
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
    if (value->is_string()) return decimal_text(value->get_ref<const std::string&>());
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
