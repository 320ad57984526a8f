#include "analysis/sources/net_value_answer.h"

#include <algorithm>

#include "analysis/sources/json_fields.h"
#include "analysis/sources/report_date.h"

namespace qinghe::app {
namespace {

using nlohmann::json;

// A net value is above nothing; a fund loses at most all it has. "", "--"
// or a figure out of bounds is none.
std::optional<double> unit_value_of(const json& entry) {
    const std::optional<double> value = json_number(entry, "DWJZ");
    if (!value || *value <= 0 || *value > kLargestUnitValue) return std::nullopt;
    return value;
}

std::optional<double> change_of(const json& entry) {
    const std::optional<double> change = json_number(entry, "JZZZL");
    if (!change || *change < -100 || *change > kLargestDayChange) return std::nullopt;
    return change;
}

std::optional<PublishedValue> value_of(const json& entry) {
    PublishedValue value;
    value.date = json_text(entry, "FSRQ").value_or("").substr(0, 10);
    if (!is_report_date(value.date)) return std::nullopt;
    value.unit_value = unit_value_of(entry);
    value.change = change_of(entry);
    return value;
}

bool has_date(const std::vector<PublishedValue>& values, const std::string& date) {
    return std::any_of(values.begin(), values.end(),
                       [&](const PublishedValue& v) { return v.date == date; });
}

}  // namespace

NetValueAnswer read_net_value_answer(std::string_view body) {
    NetValueAnswer answer;
    JsonDocument document = parse_json_answer(body, kLargestNetValueAnswer, kDeepestNetValueAnswer);
    answer.error = document.error;
    if (answer.error.empty()) answer.error = json_failure(document.value);
    if (!answer.error.empty()) return answer;
    const json* data = json_member(document.value, "Data");
    const json* list = data ? json_member(*data, "LSJZList") : nullptr;
    if (list && list->is_array())
        for (const json& entry : *list) {
            if (answer.values.size() == kMostNetValues) break;
            std::optional<PublishedValue> value = value_of(entry);
            // The first entry of a date is the one the site shows.
            if (value && !has_date(answer.values, value->date))
                answer.values.push_back(std::move(*value));
        }
    if (answer.values.empty()) answer.error = "no net values";
    return answer;
}

}  // namespace qinghe::app
