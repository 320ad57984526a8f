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
#include <string>
#include <vector>

#include "analysis/fund_report.h"
#include "net/http_transfer.h"

namespace qinghe::app {

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
};

HoldingsSources make_sources(const SourceSettings& settings);

// The source asked, its time taken measured.
SourceAnswer ask_timed(const HoldingsSource& source, const std::string& code, const Fetch& fetch);

// Why a response is no answer: "no answer" when none came, "cut short" for
// a 2xx body that did not end whole (time-out, size cap, broken
// connection), "refused (429)" for a refusal that stayed, else "status
// 404"; empty for a whole 2xx response.
std::string failed_response_reason(const net::FetchResult& result);

// The status and byte count of a response, added to an answer.
void count_response(SourceAnswer& answer, const net::FetchResult& result);

}  // namespace qinghe::app
