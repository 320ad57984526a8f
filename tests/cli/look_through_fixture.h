// The fixture of the look-through tests: qinghe-analyse against small
// pages of our own.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analyse_program_fixture.h"

namespace qinghe::analyse_testing {

// Small pages of our own: a title with the code, a report date, rows.
inline std::string fund_page(const std::string& code, const std::string& name,
                             const std::string& date,
                             const std::vector<std::pair<std::string, std::string>>& rows) {
    std::string page =
        "<html><head><title>" + name + "(" + code + ")基金净值</title></head><body>持仓占比";
    for (const auto& [stock, ratio] : rows)
        page += "<tr><td><a href=\"/s/" + ratio + "\" title=\"" + stock +
                "\">x</a></td>"
                "<td class=\"alignRight bold\">" +
                ratio + "%</td></tr>";
    return page + "持仓截止日期: " + date + "</body></html>";
}

class LookThroughProgramTest : public AnalyseProgramTest {
protected:
    LoopbackServer own_{{
        {"/100001.html",
         fund_page("100001", "示例成长A", "2022-09-30",
                   {{"泸州老窖", "10"}, {"Comma, Inc", "4"}, {"Tab\tLine\nBreak", "2"}})},
        {"/100002.html",
         fund_page("100002", "示例成长C", "2022-09-30",
                   {{"泸州老窖", "10"}, {"Comma, Inc", "4"}, {"Tab\tLine\nBreak", "2"}})},
        {"/100003.html",
         fund_page("100003", "示例价值", "2022-06-30", {{"泸州老窖", "5"}, {"Other", "3"}})},
        {"/100004.html",
         "<html><title>bad \xff\xfe(100004)</title>持仓占比<a href=\"/z\" "
         "title=\"\xff\xfe name\">z</a><td>1%</td>持仓截止日期:</html>"},
    }};
};

}  // namespace qinghe::analyse_testing
