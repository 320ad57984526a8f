#include "analysis/code_line.h"

#include <cctype>
#include <charconv>

namespace qinghe::app {
namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '='; }

// The amount without its thousands separators; false when a "," does not
// stand between groups of three digits of the integer part.
bool without_group_separators(const std::string& text, std::string& plain) {
    const size_t point = std::min(text.find_first_of(".eE"), text.size());
    const size_t first = text.find(',');
    if (first == std::string::npos) {
        plain = text;
        return true;
    }
    if (first == 0 || first > 3 || first > point) return false;
    for (size_t at = first; at < point; at += 4) {
        if (text[at] != ',' || at + 4 > point) return false;
        for (size_t d = at + 1; d < at + 4; ++d)
            if (!std::isdigit(static_cast<unsigned char>(text[d]))) return false;
    }
    plain.clear();
    for (char c : text)
        if (c != ',') plain += c;
    return text.find(',', point) == std::string::npos;
}

}  // namespace

CodeLine split_code_line(std::string_view line) {
    size_t at = line.size();
    while (at > 0 && !is_separator(line[at - 1])) --at;
    if (at == 0 || at == line.size()) return {std::string(line), std::nullopt};
    size_t code_end = at;
    while (code_end > 0 && is_separator(line[code_end - 1])) --code_end;
    return {std::string(line.substr(0, code_end)), std::string(line.substr(at))};
}

bool parse_amount(const std::string& text, double& amount) {
    std::string plain;
    if (!without_group_separators(text, plain)) return false;
    if (plain.empty() || !(std::isdigit(static_cast<unsigned char>(plain[0])) || plain[0] == '.'))
        return false;
    const char* end = plain.data() + plain.size();
    auto [stop, failure] = std::from_chars(plain.data(), end, amount, std::chars_format::general);
    return failure == std::errc() && stop == end && amount > 0 && amount <= kMaxAmount;
}

std::vector<double> fund_amounts(const std::vector<FundReport>& reports) {
    bool any = false;
    for (const FundReport& report : reports) any = any || report.amount.has_value();
    if (!any) return {};
    std::vector<double> amounts(reports.size(), 0.0);
    for (size_t i = 0; i < reports.size(); ++i) {
        size_t first = i;
        if (reports[i].outcome == FundOutcome::repeated)
            for (size_t j = 0; j < i; ++j)
                if (reports[j].code == reports[i].code) {
                    first = j;
                    break;
                }
        amounts[first] += reports[i].amount.value_or(0);
    }
    return amounts;
}

}  // namespace qinghe::app
