#include "components/edit_input_mode.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "components/qt_text.h"
#include "runtime/frame.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

namespace M = InputMode;

// The core library's "to text" command: the runtime's own number and
// date-time text forms.
constexpr int32_t kToTextCommand = 2;

std::string runtime_text(TaggedArg value) {
    const LibraryRecord* core = library_record(Library::kCore - 1);
    if (!core || core->command_count <= kToTextCommand || !core->commands[kToTextCommand])
        return {};
    TaggedArg result = call_core_command(core->commands[kToTextCommand], 1, &value);
    std::string text = result.text() ? std::string(result.text()) : std::string();
    mem_free(result.pointer());
    return text;
}

bool is_digit(uint32_t c) { return c >= '0' && c <= '9'; }

std::string_view without_blanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

double leading_number(std::string_view text) {
    text = without_blanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) return 0;
    return error == std::errc() && std::isfinite(value) ? value : 0;
}

std::string clamped_integer(std::string_view text, int64_t low, int64_t high) {
    return std::to_string(std::clamp(leading_integer(text), low, high));
}

std::string normalised_number(int32_t mode, std::string_view text) {
    switch (mode) {
    case M::kByte: return clamped_integer(text, 0, 255);
    case M::kShort: return clamped_integer(text, INT16_MIN, INT16_MAX);
    case M::kInteger: return clamped_integer(text, INT32_MIN, INT32_MAX);
    case M::kLong: return std::to_string(leading_integer(text));
    case M::kFloat: return runtime_text(TaggedArg::of_float(float(leading_number(text))));
    default: return runtime_text(TaggedArg::of_double(leading_number(text)));
    }
}

std::string normalised_date_time(std::string_view text) {
    std::optional<double> value = parse_date_time(text);
    if (!value || *value == 0) return {};
    return runtime_text(TaggedArg::of_double(*value, TypeTag::kDateTime));
}

bool is_date_separator(char32_t c) {
    return std::u32string_view(U" \t-/.:T年月日号时分秒点").find(c) != std::u32string_view::npos;
}

// The numbers of a date text, or none when anything but separators and
// digits occurs.
std::optional<std::vector<int32_t>> date_numbers(std::string_view gbk) {
    const QList<uint> text = qt_text(gbk).toUcs4();
    std::vector<int32_t> numbers;
    for (size_t i = 0; i < size_t(text.size());) {
        if (is_digit(text[i])) {
            int64_t n = 0;
            size_t start = i;
            while (i < size_t(text.size()) && is_digit(text[i])) n = n * 10 + (text[i++] - '0');
            if (i - start > 4) return std::nullopt;
            numbers.push_back(int32_t(n));
        } else if (is_date_separator(char32_t(text[i]))) {
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return numbers;
}

}  // namespace

bool input_mode_accepts(int32_t mode, uint32_t c) {
    if (c < 32) return true;
    switch (mode) {
    case M::kByte: return is_digit(c);
    case M::kIntegerText:
    case M::kShort:
    case M::kInteger:
    case M::kLong: return is_digit(c) || c == '-';
    case M::kDecimalText:
    case M::kFloat:
    case M::kDouble: return is_digit(c) || c == '-' || c == '.';
    default: return true;
    }
}

std::string normalised_input(int32_t mode, std::string_view gbk) {
    if (mode == M::kDateTime) return normalised_date_time(gbk);
    if (mode < M::kByte || mode > M::kDouble) return std::string(gbk);
    std::string text = normalised_number(mode, gbk);
    return text == "0" ? std::string() : text;
}

int64_t leading_integer(std::string_view text) {
    text = without_blanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    for (char c : text) {
        if (!is_digit(uint8_t(c))) break;
        int digit = c - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10)
            return negative ? std::numeric_limits<int64_t>::min()
                            : std::numeric_limits<int64_t>::max();
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<double> parse_date_time(std::string_view gbk) {
    using namespace std::chrono;
    auto numbers = date_numbers(gbk);
    if (!numbers || numbers->size() < 3 || numbers->size() > 6) return std::nullopt;
    numbers->resize(6, 0);
    const auto& n = *numbers;
    const year_month_day date{year{n[0]}, month{unsigned(n[1])}, day{unsigned(n[2])}};
    if (!date.ok() || n[0] < 100 || n[3] > 23 || n[4] > 59 || n[5] > 59) return std::nullopt;
    const double days = double((sys_days(date) - sys_days(year{1899} / December / 30)).count());
    const double time = (n[3] * 3600 + n[4] * 60 + n[5]) / 86400.0;
    return days >= 0 ? days + time : days - time;  // the fraction counts away from day 0
}

}  // namespace qinghe
