#include "analysis/decimal_numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace qinghe::app {

std::optional<double> decimal_double(std::string_view text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<float> decimal_float(std::string_view text) {
    const std::optional<double> value = decimal_double(text);
    return value ? std::optional<float>(float(*value)) : std::nullopt;
}

std::optional<float> percentage_text(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    if (text.ends_with('%')) text.remove_suffix(1);
    const size_t digits = size_t(
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
    const size_t points = size_t(std::count(text.begin(), text.end(), '.'));
    if (digits == 0 || points > 1 || digits + points != text.size()) return std::nullopt;
    const std::optional<float> value = decimal_float(text);
    return value ? percentage_number(*value) : std::nullopt;
}

std::optional<float> percentage_number(double value) {
    if (!(value >= 0 && value <= 100)) return std::nullopt;
    return float(value);
}

double decimal_ratio(float ratio) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, ratio).ptr;
    double value = 0;
    std::from_chars(text, end, value);
    return value;
}

std::string yuan_text(double amount) {
    if (!std::isfinite(amount)) return {};
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.2f", amount);
    std::string text = digits;
    const size_t sign = text[0] == '-' ? 1 : 0;
    for (size_t at = text.find('.'); at > sign + 3; at -= 3) text.insert(at - 3, ",");
    return text;
}

}  // namespace qinghe::app
