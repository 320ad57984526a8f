// What one typed line of a run gave: its outcome, the source that answered,
// the fund's facts (name, report date), the rows with each stock's change
// since the previous quarter where the source knows it, and the stocks that
// left the top ten. Texts are GBK, as everywhere in the program.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/sources/asset_mix_answer.h"
#include "analysis/sources/source_kind.h"
#include "analysis/sources/target_etf.h"
#include "runtime/values.h"

namespace qinghe::app {

enum class FundOutcome {
    read,             // the page gave at least one holdings row
    download_failed,  // nothing was received (no page, error status, time-out)
    no_holdings,      // a page came but without holdings rows
    not_six_bytes,    // the line is not a code: never fetched
    nothing_stored,   // offline, and the history holds no report of the code
    repeated,         // the code of an earlier line: analysed once, at its first line
    bad_amount,       // a code with an amount that is not one: never fetched
};

enum class ThroughEtf { added, share_unknown, not_read };

struct FundRow {
    std::string stock_name;
    float ratio = 0;
    // The change since the previous quarter: the word (新增, 增持, 减持, 持平,
    // or another the site uses) and the difference of the ratio in
    // percentage points, signed. An empty word: no change known.
    std::string change{};
    std::optional<float> change_points{};
    // The stock's link (GBK), where the source gave one.
    std::string link{};
    // The target ETF's code for a row a feeder fund holds through it (its
    // ratio is the ETF's ratio × the feeder's share in it); empty for the
    // fund's own rows.
    std::string via{};
};

// The facts of a page beside its rows; empty texts when the page lacks them.
struct FundPageFacts {
    bool received = false;    // some bytes came
    std::string name;         // the title's text before "(CODE)"
    std::string report_date;  // YYYY-MM-DD after "持仓截止日期:"
};

struct FundReport {
    std::string code;  // the line as typed; only the code when an amount follows it
    FundOutcome outcome = FundOutcome::not_six_bytes;
    FundPageFacts facts;
    std::vector<FundRow> rows;
    std::optional<SourceKind> source{};  // the source that gave the rows
    // Stocks of the previous quarter's top ten missing from `rows`, with
    // their ratio then; no change fields.
    std::vector<FundRow> exited{};
    // The rows are the newest stored report's: no source gave rows (or the
    // run is offline).
    bool cached = false;
    // When no source gave rows and one shows a fault of the site: the
    // label's short word for it ("站点繁忙") and that source's line of a
    // check ("mobile: failure (ErrCode 5) 系统繁忙"), both UTF-8.
    std::string fault{};
    std::string fault_reason{};
    // The amount of money typed after the code, in yuan.
    std::optional<double> amount{};
    // The fund's newest asset allocation; when there is none, why
    // (empty: not asked, as for a fund taken from the history).
    std::optional<AssetMix> assets{};
    std::string assets_reason{};
    // A feeder fund's target ETF (texts GBK), and what became of the ETF's
    // rows: added to the fund's own, or not for want of the feeder's share
    // in it or of the ETF's holdings.
    std::optional<TargetEtf> target_etf{};
    ThroughEtf through_etf = ThroughEtf::added;
};

// The facts of a fund page from its pieces as program text: `title` the
// title's text, `after_date_marker` what follows its first
// "持仓截止日期:" (none without one); `received` whether some bytes came.
FundPageFacts fund_page_facts(std::string_view code, bool received, std::string_view title,
                              std::optional<std::string_view> after_date_marker);

// Reads the facts of a fund's page: `page` as received (empty when nothing
// came), `text` the page as program text.
FundPageFacts read_fund_page_facts(std::string_view code, std::string_view page, const char* text);

// The report dates of the funds read, each once, in ascending order.
std::vector<std::string> report_dates(const std::vector<FundReport>& funds);

}  // namespace qinghe::app
