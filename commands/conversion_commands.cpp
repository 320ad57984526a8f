#include "commands/conversion_commands.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/c_locale_number.h"
#include "platform/gbk_bytes.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

struct ChineseTexts {
    std::string true_text, false_text;
    std::string year, month, day, hour, minute, second;
};

const ChineseTexts& chinese() {
    static const ChineseTexts texts{
        platform::gbk_from_utf8("真"), platform::gbk_from_utf8("假"), platform::gbk_from_utf8("年"),
        platform::gbk_from_utf8("月"), platform::gbk_from_utf8("日"), platform::gbk_from_utf8("时"),
        platform::gbk_from_utf8("分"), platform::gbk_from_utf8("秒"),
    };
    return texts;
}

const TaggedArg& first_argument(int32_t count, const TaggedArg* args) {
    static const TaggedArg omitted{};
    return count > 0 ? args[0] : omitted;
}

// ---- numbers to text --------------------------------------------------

// Exponents are written with at least three digits: 1e+20 -> 1e+020.
std::string widen_exponent(std::string s) {
    size_t e = s.find('e');
    if (e == std::string::npos || e + 2 > s.size()) return s;
    size_t digits = s.size() - (e + 2);
    if (digits < 3) s.insert(e + 2, 3 - digits, '0');
    return s;
}

// printf's "%.<precision>g", independent of the process locale.
std::string format_general(double v, int precision) {
    char buffer[64];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, precision);
    if (error != std::errc()) return {};
    return widen_exponent(std::string(buffer, end));
}

double scale_by_ten(double v, int exponent) {
    return exponent >= 0 ? v * std::pow(10.0, exponent) : v / std::pow(10.0, -exponent);
}

// Rounds to 6 significant digits, halves away from zero: the magnitude is
// scaled into 100000 .. 999999.99.., rounded to an integer and scaled back.
double round_six_digits(double v) {
    if (v == 0 || !std::isfinite(v)) return v;
    double magnitude = std::fabs(v);
    int binary_exponent = 0;
    std::frexp(magnitude, &binary_exponent);
    int exponent = int(std::floor((binary_exponent - 1) * 0.30102999566398120));
    double scaled = scale_by_ten(magnitude, 5 - exponent);
    while (scaled >= 1e6) scaled = scale_by_ten(magnitude, 5 - ++exponent);
    while (scaled < 1e5) scaled = scale_by_ten(magnitude, 5 - --exponent);
    return std::copysign(scale_by_ten(std::floor(scaled + 0.5), exponent - 5), v);
}

std::string format_float(float v) { return format_general(round_six_digits(double(v)), 6); }

std::string format_double(double v) { return format_general(v, 13); }

// Days since 30 December 1899 (fraction = time of day) as
// "Y年M月D日" plus hours, minutes and seconds down to the last non-zero part.
std::string format_date_time(double v) {
    if (std::isnan(v)) v = 0;
    v = std::clamp(v, -657434.0, 2958465.0);  // 1 January 100 .. 31 December 9999
    double day_part = std::trunc(v);
    long long days = (long long)day_part;
    long long seconds = std::llround(std::fabs(v - day_part) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    constexpr long long kDaysFrom1899To1970 = 25569;
    std::chrono::year_month_day date{
        std::chrono::sys_days{std::chrono::days{days - kDaysFrom1899To1970}}};
    const ChineseTexts& t = chinese();
    std::string out = std::to_string(int(date.year())) + t.year +
                      std::to_string(unsigned(date.month())) + t.month +
                      std::to_string(unsigned(date.day())) + t.day;
    long long hour = seconds / 3600, minute = seconds / 60 % 60, second = seconds % 60;
    if (hour || minute || second) out += std::to_string(hour) + t.hour;
    if (minute || second) out += std::to_string(minute) + t.minute;
    if (second) out += std::to_string(second) + t.second;
    return out;
}

// The element bytes of an array of a numeric type (all dimensions, in
// storage order); empty for any other array.
std::string_view numeric_array_bytes(const TaggedArg& a) {
    uint32_t element_tag = TypeTag::without_array(a.type);
    const ArrayBlock* block = a.array();
    if (!TypeTag::is_numeric(element_tag) || !block || block->dimensions < 1) return {};
    int64_t count = std::max<int64_t>(block->element_count(), 0);
    return {reinterpret_cast<const char*>(block->elements()),
            size_t(count * element_width(element_tag))};
}

std::string_view up_to_zero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

std::string text_of(const TaggedArg& a) {
    if (TypeTag::is_array(a.type)) return std::string(up_to_zero(numeric_array_bytes(a)));
    switch (a.type) {
    case TypeTag::kByteSet: return std::string(up_to_zero(byte_set_view(a.byte_set())));
    case TypeTag::kByte: return std::to_string(a.lo & 0xFF);
    case TypeTag::kShort: return std::to_string(int16_t(a.lo));
    case TypeTag::kInt: return std::to_string(a.as_int());
    case TypeTag::kLong: return std::to_string(a.as_long());
    case TypeTag::kFloat: return format_float(a.as_float());
    case TypeTag::kDouble: return format_double(a.as_double());
    case TypeTag::kText: return a.text() ? std::string(a.text()) : std::string();
    case TypeTag::kBool: return a.as_bool() ? chinese().true_text : chinese().false_text;
    case TypeTag::kDateTime: return format_date_time(a.as_double());
    default: return {};
    }
}

// ---- text to number ---------------------------------------------------

// The one-byte equivalent of a full-width GBK character, or 0.
char half_width(unsigned char lead, unsigned char trail) {
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return char(trail - 0x80);
    if (lead != 0xA1) return 0;
    switch (trail) {
    case 0xA1: return ' ';
    case 0xAB: return '~';
    case 0xEE:
    case 0xEF: return '*';
    default: return 0;
    }
}

std::string normalise_full_width(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (!gbk::is_lead_byte(text[i]) || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char single = half_width(static_cast<unsigned char>(text[i]),
                                 static_cast<unsigned char>(text[i + 1]));
        if (single) {
            out += single;
        } else {
            out.append(text.substr(i, 2));
        }
        ++i;
    }
    return out;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

size_t skip_digits(std::string_view s, size_t i) {
    while (i < s.size() && is_digit(s[i])) ++i;
    return i;
}

// The leading decimal number of a text, read like atof: blanks, sign,
// digits, point, digits, exponent; 0 when there is none. Only plain
// decimals are accepted (no hexadecimal, "inf" or "nan") and the decimal
// point is always '.', whatever the process locale.
double read_decimal(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t end = skip_digits(s, i);
    size_t digits = end - i;
    if (end < s.size() && s[end] == '.') {
        size_t fraction_end = skip_digits(s, end + 1);
        digits += fraction_end - end - 1;
        end = fraction_end;
    }
    if (digits == 0) return 0;
    if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
        size_t e = end + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        if (e < s.size() && is_digit(s[e])) end = skip_digits(s, e);
    }
    return platform::c_locale_strtod(std::string(s.substr(start, end - start)).c_str());
}

float number_of(const TaggedArg& a) {
    switch (a.type) {
    case TypeTag::kText: return a.text() ? float(read_decimal(normalise_full_width(a.text()))) : 0;
    case TypeTag::kBool:
    case TypeTag::kInt: return float(a.as_int());
    case TypeTag::kByte: return float(a.lo & 0xFF);
    case TypeTag::kShort: return float(int16_t(a.lo));
    case TypeTag::kLong: return float(a.as_long());
    case TypeTag::kUnsigned32: return float(a.lo);
    case TypeTag::kFloat: return a.as_float();
    case TypeTag::kDouble: return float(a.as_double());
    default: return 0;
    }
}

// ---- values to byte sets ----------------------------------------------

// Storage width of a basic value; 0 for types without a fixed width.
size_t storage_width(uint32_t tag) {
    switch (tag) {
    case TypeTag::kByte: return 1;
    case TypeTag::kShort: return 2;
    case TypeTag::kBool:
    case TypeTag::kUnsigned32:
    case TypeTag::kInt:
    case TypeTag::kFloat: return 4;
    case TypeTag::kDateTime:
    case TypeTag::kLong:
    case TypeTag::kDouble: return 8;
    default: return 0;
    }
}

std::string bytes_of(const TaggedArg& a) {
    if (TypeTag::is_array(a.type)) return std::string(numeric_array_bytes(a));
    if (a.type == TypeTag::kText) return a.text() ? std::string(a.text()) : std::string();
    if (a.type == TypeTag::kByteSet) return std::string(byte_set_view(a.byte_set()));
    std::string bytes(storage_width(a.type), '\0');
    uint64_t bits = a.bits64();
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(bits >> (8 * i));
    return bytes;
}

}  // namespace

void to_text(TaggedArg* result, int32_t count, TaggedArg* args) {
    const TaggedArg& a = first_argument(count, args);
    // A byte set (a whole page, say) becomes text in one copy.
    if (a.type == TypeTag::kByteSet) {
        *result = TaggedArg::of_text(make_text(up_to_zero(byte_set_view(a.byte_set()))));
        return;
    }
    *result = TaggedArg::of_text(make_text(text_of(a)));
}

void to_number(TaggedArg* result, int32_t count, TaggedArg* args) {
    *result = TaggedArg::of_float(number_of(first_argument(count, args)));
}

void to_byte_set(TaggedArg* result, int32_t count, TaggedArg* args) {
    *result = TaggedArg::of_byte_set(make_byte_set(bytes_of(first_argument(count, args))));
}

void byte_set_length(TaggedArg* result, int32_t count, TaggedArg* args) {
    const TaggedArg& a = first_argument(count, args);
    *result = TaggedArg::of_int(a.type == TypeTag::kByteSet ? byte_set_size(a.byte_set()) : 0);
}

}  // namespace qinghe
