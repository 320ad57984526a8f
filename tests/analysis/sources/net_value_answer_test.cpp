// The answers of the net-value history endpoint, in the variants the site
// sends: every case is a row.
#include <gtest/gtest.h>

#include <string>

#include "analysis/sources/net_value_answer.h"

namespace qinghe::app {
namespace {

// A date with its unit value and change, "-" for none.
std::string described(const PublishedValue& v) {
    auto figure = [](const std::optional<double>& x) { return x ? std::to_string(*x) : "-"; };
    return v.date + " " + figure(v.unit_value) + " " + figure(v.change);
}

std::string described(const NetValueAnswer& answer) {
    std::string text;
    for (const PublishedValue& v : answer.values) text += described(v) + "; ";
    return text + answer.error;
}

std::string entry(const char* date, const char* unit, const char* change) {
    return std::string(R"({"FSRQ":")") + date + R"(","DWJZ":)" + unit +
           R"(,"LJJZ":"2.1","JZZZL":)" + change + "}";
}

std::string answer_of(const std::string& entries) {
    return R"({"Data":{"LSJZList":[)" + entries +
           R"(],"FundType":"002"},"ErrCode":0,"ErrMsg":null,"TotalCount":2})";
}

TEST(NetValueAnswer, ReadsEveryVariantOrSaysWhyNot) {
    const struct {
        std::string body;
        const char* read;
    } rows[] = {
        // Figures as texts or numbers, newest first as sent.
        {answer_of(entry("2026-09-30", R"("1.2345")", R"("0.52")") + "," +
                   entry("2026-09-29", "1.2281", "-1.5")),
         "2026-09-30 1.234500 0.520000; 2026-09-29 1.228100 -1.500000; "},
        // "" and "--": the fund gave no figure that day; a time after the date.
        {answer_of(entry("2026-09-30 00:00:00", R"("")", R"("--")")), "2026-09-30 - -; "},
        // Figures no fund has: a value of nothing, a loss beyond all it has.
        {answer_of(entry("2026-09-30", R"("0")", R"("-100.5")") + "," +
                   entry("2026-09-29", R"("abc")", R"("1e999")")),
         "2026-09-30 - -; 2026-09-29 - -; "},
        // A date twice: the first stays; no date or no day of the calendar.
        {answer_of(entry("2026-09-30", "1.1", "1") + "," + entry("2026-09-30", "9", "9") + "," +
                   entry("2026-13-45", "1", "1") + R"(,{"DWJZ":"1"},7,null)"),
         "2026-09-30 1.100000 1.000000; "},
        // Refused, failed, empty, not JSON, too deep.
        {R"({"Data":"","ErrCode":-999,"Success":false,"ErrMsg":null})", "failure (ErrCode -999)"},
        {R"({"Data":{"LSJZList":[]},"ErrCode":0})", "no net values"},
        {R"({"Data":{"LSJZList":null},"ErrCode":0})", "no net values"},
        {R"({"Data":[1,2],"ErrCode":0})", "no net values"},
        {R"({"Data":{"LSJZList":[{"FSRQ":)", "JSON error"},
        {"<html>404</html>", "JSON error"},
        {std::string(20, '[') + std::string(20, ']'), "JSON too deep"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(described(read_net_value_answer(row.body)), row.read) << row.body;

    // No more entries than a page holds, and no answer larger than a page.
    std::string many;
    for (int day = 1; day <= 28; ++day)
        for (int month = 1; month <= 5; ++month) {
            char date[16];
            std::snprintf(date, sizeof date, "2025-%02d-%02d", month, day);
            many += (many.empty() ? "" : ",") + entry(date, "1", "0");
        }
    EXPECT_EQ(read_net_value_answer(answer_of(many)).values.size(), kMostNetValues);
    EXPECT_EQ(read_net_value_answer(std::string(kLargestNetValueAnswer + 1, ' ')).error,
              "JSON too large");
}

}  // namespace
}  // namespace qinghe::app
