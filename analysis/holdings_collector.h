// One analysis run's collection of holdings: downloads each fund's page,
// cuts out its top-ten stock table and keeps one record per row; or takes
// the rows a fund's sources gave (take_answer).
#pragma once

#include <vector>

#include "analysis/fund_report.h"
#include "analysis/holding_list.h"
#include "analysis/sources/holdings_source.h"
#include "analysis/sources/page_download.h"

namespace qinghe::app {

class HoldingsCollector {
public:
    // Reads a page: the body at a URL, null when nothing could be read.
    using PageReader = ByteSet* (*)(const char* url);
    // Converts a page read into the program's charset.
    using PageConverter = ByteSet* (*)(const ByteSet* page);

    // Construction sets the row markers; `base_url` is the fund site's
    // base URL (the fund code and ".html" are appended to it).
    explicit HoldingsCollector(const char* base_url, PageReader read_page = download_page,
                               PageConverter convert_page = convert_page_charset);
    ~HoldingsCollector() { destroy(); }
    HoldingsCollector(const HoldingsCollector&) = delete;
    HoldingsCollector& operator=(const HoldingsCollector&) = delete;

    // Operations, in the order of the collector's method table.
    void destroy();
    void copy(const HoldingsCollector& source);
    bool fetch_fund(const char* code);
    void parse_rows();
    void merge_into(ArrayBlock*& result_list);
    // A fund read through its sources: the section becomes the page's
    // (empty when the page was not asked) and goes to the dump file, and
    // the rows of the source that answered are kept.
    void take_answer(const SourceAnswer* page, const SourceAnswer* answered);
    // Keeps rows as a read keeps them (the history's stored rows).
    void append_rows(const std::vector<SourceRow>& rows);
    // Rows a fund holds through another: a stock among the records from
    // `first` (1-based) on gets the row's ratio added, any other is appended.
    void add_rows_through(const std::vector<SourceRow>& rows, int32_t first);

    const char* section() const { return section_; }
    const ArrayBlock* holdings() const { return holdings_; }
    // The facts of the page the last fetch_fund read.
    const FundPageFacts& page_facts() const { return page_facts_; }

private:
    char* section_ = nullptr;
    char* row_start_marker_ = nullptr;
    char* row_end_marker_ = nullptr;
    ArrayBlock* holdings_ = nullptr;
    char* base_url_ = nullptr;
    char* page_url_ = nullptr;  // the page `section_` came from
    PageReader read_page_;
    PageConverter convert_page_;
    FundPageFacts page_facts_;
};

}  // namespace qinghe::app
