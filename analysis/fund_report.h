// What one typed line of a run gave: its outcome, the fund's facts read
// from its page (name, report date) and the rows cut out of it. Texts are
// GBK, as everywhere in the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/values.h"

namespace qinghe::app {

enum class FundOutcome {
    read,             // the page gave at least one holdings row
    download_failed,  // nothing was received (no page, error status, time-out)
    no_holdings,      // a page came but without holdings rows
    not_six_bytes,    // the line is not a code: never fetched
};

struct FundRow {
    std::string stock_name;
    float ratio = 0;
};

// The facts of a page beside its rows; empty texts when the page lacks them.
struct FundPageFacts {
    bool received = false;    // some bytes came
    std::string name;         // the title's text before "(CODE)"
    std::string report_date;  // YYYY-MM-DD after "持仓截止日期:"
};

struct FundReport {
    std::string code;  // the line as typed
    FundOutcome outcome = FundOutcome::not_six_bytes;
    FundPageFacts facts;
    std::vector<FundRow> rows;
};

// Reads the facts of a fund's page: `page` as received (null when nothing
// came), `text` the page as program text.
FundPageFacts read_fund_page_facts(std::string_view code, const ByteSet* page, const char* text);

// The report dates of the funds read, each once, in ascending order.
std::vector<std::string> report_dates(const std::vector<FundReport>& funds);

}  // namespace qinghe::app
