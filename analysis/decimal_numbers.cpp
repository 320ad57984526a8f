#include "analysis/decimal_numbers.h"

#include <charconv>
#include <cmath>

namespace qinghe::app {

std::optional<float> decimal_float(std::string_view text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return float(value);
}

double decimal_ratio(float ratio) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, ratio).ptr;
    double value = 0;
    std::from_chars(text, end, value);
    return value;
}

}  // namespace qinghe::app
