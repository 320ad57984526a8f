#include "analysis/sources/quote_answer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "analysis/decimal_numbers.h"
#include "analysis/sources/json_fields.h"

namespace qinghe::app {
namespace {

using nlohmann::json;

constexpr size_t kMostQuotes = 1000;
constexpr int kShanghaiOffsetSeconds = 8 * 3600;

std::optional<double> figure(const json& stock, const char* key, double scale) {
    const std::optional<double> value = json_number(stock, key);
    if (!value) return std::nullopt;
    return *value / scale;
}

// A market is a whole number an int holds; any other names none.
bool is_market(std::optional<double> market) {
    return market && *market == std::floor(*market) &&
           std::fabs(*market) <= std::numeric_limits<int>::max();
}

std::optional<Quote> list_quote(const json& stock, QuoteNumbers numbers) {
    const std::optional<double> market = json_number(stock, "f13");
    const std::optional<std::string> code = json_text(stock, "f12");
    if (!is_market(market) || !code || code->empty()) return std::nullopt;
    Quote quote;
    quote.market = int(*market);
    quote.code = *code;
    quote.name = json_text(stock, "f14").value_or("");
    double scale = 1;
    if (numbers == QuoteNumbers::scaled) scale = quote.market == market::kHongKong ? 1000 : 100;
    quote.price = figure(stock, "f2", scale);
    quote.previous_close = figure(stock, "f18", scale);
    quote.change = figure(stock, "f3", numbers == QuoteNumbers::scaled ? 100 : 1);
    const double at = json_number(stock, "f124").value_or(0);
    if (at > 0 && at < 1e11) quote.quoted_at = (long long)at;
    const double day = json_number(stock, "f297").value_or(0);
    if (day >= 19900101 && day <= 29991231) quote.trading_day = int(day);
    return quote;
}

// The list's entries: an array, or an object keyed "0", "1", … taken in the
// order of the numbers its keys are.
std::vector<const json*> entries_of(const json& diff) {
    std::vector<const json*> entries;
    if (diff.is_array())
        for (const json& entry : diff) entries.push_back(&entry);
    if (!diff.is_object()) return entries;
    std::vector<std::pair<std::string, const json*>> keyed;
    for (auto it = diff.begin(); it != diff.end(); ++it) keyed.emplace_back(it.key(), &it.value());
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first.size() != b.first.size() ? a.first.size() < b.first.size()
                                                : a.first < b.first;
    });
    for (const auto& [key, entry] : keyed) entries.push_back(entry);
    return entries;
}

int number_of(std::string_view digits) {
    int number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc() && end == digits.data() + digits.size() ? number : -1;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long days_from_civil(int year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const int year_of_era = year - int(era * 400);
    const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

// "20260727145133" or "2026/07/27 14:36:32", Asia/Shanghai time: the day and
// the Unix seconds, when the text is one of the two and a real time.
void read_time(std::string text, Quote& quote) {
    std::erase_if(text, [](char c) { return c == '/' || c == ' ' || c == ':' || c == '-'; });
    if (text.size() != 14) return;
    const int year = number_of(std::string_view(text).substr(0, 4));
    const int month = number_of(std::string_view(text).substr(4, 2));
    const int day = number_of(std::string_view(text).substr(6, 2));
    const int hour = number_of(std::string_view(text).substr(8, 2));
    const int minute = number_of(std::string_view(text).substr(10, 2));
    const int second = number_of(std::string_view(text).substr(12, 2));
    if (year < 1990 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return;
    quote.trading_day = year * 10000 + month * 100 + day;
    quote.quoted_at = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 +
                      second - kShanghaiOffsetSeconds;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::optional<int> market_of_prefix(std::string_view prefix) {
    if (prefix == "sh") return market::kShanghai;
    if (prefix == "sz" || prefix == "bj") return market::kShenzhen;
    if (prefix == "hk") return market::kHongKong;
    return std::nullopt;
}

// One statement `v_sh600519="…";` (without its ";").
std::optional<Quote> text_quote(std::string_view statement) {
    const size_t equals = statement.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    std::string_view variable = statement.substr(0, equals);
    std::string_view value = statement.substr(equals + 1);
    while (!variable.empty() &&
           (variable.front() == '\n' || variable.front() == '\r' || variable.front() == ' '))
        variable.remove_prefix(1);
    if (!variable.starts_with("v_") || variable.size() < 5 || value.size() < 2 ||
        value.front() != '"' || value.back() != '"')
        return std::nullopt;
    const std::optional<int> market = market_of_prefix(variable.substr(2, 2));
    if (!market) return std::nullopt;
    const std::vector<std::string_view> fields = split(value.substr(1, value.size() - 2), '~');
    if (fields.size() < 33 || fields[2].empty()) return std::nullopt;
    Quote quote;
    quote.market = *market;
    quote.code = std::string(fields[2]);
    quote.name = std::string(fields[1]);
    quote.price = decimal_double(fields[3]);
    quote.previous_close = decimal_double(fields[4]);
    quote.change = decimal_double(fields[32]);
    read_time(std::string(fields[30]), quote);
    return quote;
}

}  // namespace

QuoteAnswer read_quote_list_answer(std::string_view body, QuoteNumbers numbers) {
    QuoteAnswer answer;
    JsonDocument document = parse_json_answer(body, kLargestQuoteAnswer, kDeepestQuoteAnswer);
    answer.error = document.error;
    if (!answer.error.empty()) return answer;
    const std::optional<double> rc = json_number(document.value, "rc");
    if (!rc || *rc != 0) {
        answer.error = rc ? "rc " + json_text(document.value, "rc").value_or("?") : "no rc";
        return answer;
    }
    const json* data = json_member(document.value, "data");
    const json* diff = data ? json_member(*data, "diff") : nullptr;
    if (diff)
        for (const json* entry : entries_of(*diff)) {
            if (answer.quotes.size() == kMostQuotes) break;
            if (std::optional<Quote> quote = list_quote(*entry, numbers))
                answer.quotes.push_back(std::move(*quote));
        }
    if (answer.quotes.empty()) answer.error = "no quotes";
    return answer;
}

QuoteAnswer read_text_quote_answer(std::string_view utf8_body) {
    QuoteAnswer answer;
    if (utf8_body.size() > kLargestQuoteAnswer) {
        answer.error = "answer too large";
        return answer;
    }
    for (std::string_view statement : split(utf8_body, ';')) {
        if (answer.quotes.size() == kMostQuotes) break;
        if (std::optional<Quote> quote = text_quote(statement))
            answer.quotes.push_back(std::move(*quote));
    }
    if (answer.quotes.empty()) answer.error = "no quotes";
    return answer;
}

int latest_trading_day(const std::vector<Quote>& quotes) {
    int latest = 0;
    for (const Quote& quote : quotes) latest = std::max(latest, quote.trading_day);
    return latest;
}

}  // namespace qinghe::app
