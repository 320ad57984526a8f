// The answer of the fund site's archive endpoint for holdings. Its body is
// JavaScript, not JSON:
//   var apidata={ content:"…",arryear:[2026,2025],curyear:2026};
// with unquoted keys and `content` a double-quoted string holding HTML:
// one block per quarter, newest first, each a heading (fund name, quarter,
// report date) and a table whose columns are found by their header text.
// Reading never trusts the answer: anything else gives no quarters.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::app {

// Texts here are UTF-8, as the site sends them.
struct ArchiveRow {
    std::string name;
    float ratio = 0;
    std::string link;  // resolved against the request URL; empty when the row has none
};

struct ArchiveQuarter {
    std::string fund_name;
    std::string report_date;  // YYYY-MM-DD
    int year = 0;             // of "2026年3季度", 0 when the heading lacks it
    int quarter = 0;
    std::vector<ArchiveRow> rows;  // at most ten, in the table's order
    size_t dropped = 0;  // named rows left out: their ratio is no percentage from 0 to 100
};

struct ArchiveAnswer {
    bool apidata = false;  // the body is the apidata assignment with a content string
    std::vector<ArchiveQuarter> quarters;  // the first two blocks at most, newest first
};

// The content string of `var apidata={…}` with its escapes undone
// (backslash before a quote, backslash, slash, n, r, t, b, f, uXXXX);
// nothing when the body is not that.
std::optional<std::string> apidata_content(std::string_view body);

// Reads an answer; `request_url` resolves the rows' links.
ArchiveAnswer read_archive_answer(std::string_view body, std::string_view request_url);

}  // namespace qinghe::app
