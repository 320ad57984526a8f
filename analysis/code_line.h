// A typed line of a run: a fund code alone, or a code, then blanks, a tab or
// "=", then the amount of money the user holds in it ("701001 20,000",
// "701001=1500.50"). The window's lines and the command line's arguments
// are read by the same rule.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/fund_report.h"

namespace qinghe::app {

struct CodeLine {
    std::string code;                        // before the amount; the whole line without one
    std::optional<std::string> amount_text;  // after the last separator, when something follows
};

// Splits at the last blank, tab or "=" that something follows; the
// separators before the amount are not part of the code.
CodeLine split_code_line(std::string_view line);

// The largest amount of money taken: larger sums are typing slips, and
// below it every weighted figure stays a finite number.
inline constexpr double kMaxAmount = 1e15;

// A positive decimal amount up to kMaxAmount ("20000", "1500.50", "2e4",
// "20,000.50" with "," between groups of three digits); false for anything
// else.
bool parse_amount(const std::string& text, double& amount);

// One amount per report, in report order, when at least one line had one
// (else empty): a line without one counts 0, and the amount of a code typed
// again is added to its first line's, where the fund was analysed.
std::vector<double> fund_amounts(const std::vector<FundReport>& reports);

}  // namespace qinghe::app
