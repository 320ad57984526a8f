// Reading the fund site's JSON answers, which are untrusted: a document too
// large or too deeply nested is refused before the JSON library sees it, and
// fields are taken by what they hold, not by the kind the site chose for them
// this time (a number sent as text, or the other way round).
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace qinghe::app {

// The document of `body`, or why there is none ("JSON too large", "JSON too
// deep", "JSON error"). An escaped surrogate without its other half is read
// as U+FFFD instead of spoiling the whole document.
struct JsonDocument {
    nlohmann::json value;
    std::string error;
};
JsonDocument parse_json_answer(std::string_view body, size_t largest, size_t deepest);

// The member `key` of an object, or null (also when `object` is none).
const nlohmann::json* json_member(const nlohmann::json& object, const char* key);
// A field as text: a string as it is, a number as the JSON library writes it.
std::optional<std::string> json_text(const nlohmann::json& object, const char* key);
// A field as a finite number: a number, or a string that is wholly a decimal.
std::optional<double> json_number(const nlohmann::json& object, const char* key);
// The reason of a failure answer ({"ErrCode":5,"Success":false,"ErrMsg":…}):
// "failure (ErrCode 5) 系统繁忙"; empty when the answer does not say it failed.
std::string json_failure(const nlohmann::json& document);

}  // namespace qinghe::app
