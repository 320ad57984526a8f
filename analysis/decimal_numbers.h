// Ratios and points between the program's floats and decimal text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qinghe::app {

// The number of a text that is wholly one finite decimal number ("8.25",
// "-0.3"), else nothing.
std::optional<double> decimal_double(std::string_view text);
// The same as a float.
std::optional<float> decimal_float(std::string_view text);

// The ratio of a text that is a plain decimal from 0 to 100 ("8.25",
// "+2.5%", ".5"): digits with at most one point, a leading "+" and a
// trailing "%" allowed; nothing for any other text (a sign "-", an
// exponent, blanks, a number beyond 100).
std::optional<float> percentage_text(std::string_view text);

// A ratio given as a number: itself when from 0 to 100, else nothing.
std::optional<float> percentage_number(double value);

// The double of a ratio's shortest decimal (9.66f gives 9.66, not
// 9.65999984741211), as the history keeps it and JSON prints it; it
// converts back to the same float.
double decimal_ratio(float ratio);

// An amount of money with two decimals and "," between groups of three
// digits ("1,234,567.80"); empty when it is not a finite number.
std::string yuan_text(double amount);

}  // namespace qinghe::app
