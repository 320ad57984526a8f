#include "analysis/sources/report_date.h"

#include <cctype>
#include <charconv>
#include <chrono>

namespace qinghe::app {
namespace {

unsigned number_at(std::string_view text, size_t at, size_t length) {
    unsigned value = 0;
    std::from_chars(text.data() + at, text.data() + at + length, value);
    return value;
}

}  // namespace

bool is_report_date(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    using namespace std::chrono;
    const year_month_day day{year(int(number_at(text, 0, 4))), month(number_at(text, 5, 2)),
                             std::chrono::day(number_at(text, 8, 2))};
    const sys_days tomorrow = floor<days>(system_clock::now()) + days(1);
    return day.ok() && sys_days(day) <= tomorrow;
}

}  // namespace qinghe::app
