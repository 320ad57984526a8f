// A source of a fund's holdings on the fund site: asked for a fund code, it
// sends its request(s) through the reader it is given and reads the answer
// into what the collector keeps (rows with links), what the run reports
// (fund name, report date, each row's change, the stocks that left the top
// ten) and what a check of the site prints (URL, status, bytes, charset,
// the reason when it gave nothing). Sources are asked from several worker
// threads at once; asking one changes nothing in it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/fund_report.h"
#include "net/http_transfer.h"

namespace qinghe::app {

// The user agent of the site's own app, which its mobile endpoint answers.
inline constexpr char kMobileUserAgent[] =
    "Mozilla/5.0 (Linux; Android 12; Mobile) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Mobile Safari/537.36 QingheFund/1.0";

// One GET as the sources send it; tests put in their own.
using Fetch = std::function<net::FetchResult(const net::Request&)>;

// A row and the link of its stock (GBK).
struct SourceRow {
    FundRow row;
    std::string link;
};

struct SourceAnswer {
    SourceKind kind = SourceKind::page;
    std::string url;      // the first request's address
    long status = 0;      // the last response's status, 0 when none came
    size_t bytes = 0;     // body bytes received over all its requests
    std::string charset;  // what the body was read as: "utf-8" or "gbk"
    // received: some request gave a whole, non-empty 2xx body; the fund's name and report
    // date as the answer gives them.
    FundPageFacts facts;
    std::vector<SourceRow> rows;  // at most ten
    std::vector<FundRow> exited;
    std::string section;  // the page's cut holdings section (the page only)
    std::string reason;   // why there are no rows ("no box", "not apidata" …)
    size_t dropped = 0;   // named rows left out for a ratio that is no percentage (0 to 100)
    std::optional<TargetEtf> target_etf;  // a feeder's ETF (the mobile answer only)
    std::chrono::milliseconds took{0};
};

class HoldingsSource {
public:
    virtual ~HoldingsSource() = default;
    virtual SourceKind kind() const = 0;
    // What the source gives for `code` (the line as typed, GBK).
    virtual SourceAnswer ask(const std::string& code, const Fetch& fetch) const = 0;
};

using HoldingsSources = std::vector<std::unique_ptr<const HoldingsSource>>;

// The sources of a run: their order and where each asks (base URLs ending
// in "/", as bytes).
struct SourceSettings {
    std::vector<SourceKind> order = default_source_order();
    std::string page_base, archive_base, mobile_base;
    // The mobile endpoint answers a browser's user agent with no stocks: its
    // requests send an app's, unless the user named one (浏览器标识).
    std::string mobile_user_agent = kMobileUserAgent;
};

HoldingsSources make_sources(const SourceSettings& settings);

// A stock a fund names twice is one holding: its later rows' ratios are
// added to its first row, which keeps its place, link and change.
void merge_repeated_stocks(std::vector<SourceRow>& rows);

// The source asked, its time taken measured, a stock it names twice merged
// into one row.
SourceAnswer ask_timed(const HoldingsSource& source, const std::string& code, const Fetch& fetch);

// Why a response is no answer: "no answer" when none came, "cut short" for
// a 2xx body that did not end whole (time-out, size cap, broken
// connection), "refused (429)" for a refusal that stayed, else "status
// 404"; empty for a whole 2xx response.
std::string failed_response_reason(const net::FetchResult& result);

// "2 rows dropped: ratio not from 0 to 100" for an answer that left rows
// out, else empty.
std::string dropped_rows_note(const SourceAnswer& answer);

// The fault of the site an answer without rows shows, in the end-of-run
// label's short words (UTF-8): "站点繁忙" (a refusal, or a failure answer
// saying 繁忙), "应答错误" (an answer that is no JSON or apidata),
// "应答不全" (a body cut short), "比例有误" (every named row's ratio out of 0
// to 100); empty when it shows none: rows, no holdings (another failure
// answer, such as ErrCode 61 for a code the endpoint does not know), or no
// answer at all.
const char* site_fault(const SourceAnswer& answer);

// The status and byte count of a response, added to an answer.
void count_response(SourceAnswer& answer, const net::FetchResult& result);

}  // namespace qinghe::app
