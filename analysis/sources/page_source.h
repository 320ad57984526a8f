// The fund's page as a source, read exactly as the program always read it:
// base + code + ".html", converted from UTF-8 to the program's GBK, the part
// between the first "持仓占比" and the first "持仓截止日期:" after it cut out
// as the holdings section, and up to ten rows of it, each from a row start
// marker to the "%</td>" after it. The collector's fetch_fund and
// parse_rows use the same pieces.
#pragma once

#include <string>
#include <vector>

#include "analysis/sources/holdings_source.h"

namespace qinghe::app {

class PageSource : public HoldingsSource {
public:
    explicit PageSource(std::string base) : base_(std::move(base)) {}
    SourceKind kind() const override { return SourceKind::page; }
    SourceAnswer ask(const std::string& code, const Fetch& fetch) const override;

private:
    std::string base_;
};

// The holdings section of a page's text; a new text, null when the page
// lacks it.
char* holdings_section(const char* page_text);
// Whether a section holds a row: a row start marker and a row end after it.
bool section_has_row(const char* section, const char* row_start, const char* row_end);
// Up to ten rows of a section, links resolved against `page_url`. Rows
// without a title are skipped; the table ends at the first pass without a row.
std::vector<SourceRow> section_rows(const char* section, const char* row_start, const char* row_end,
                                    const char* page_url);

}  // namespace qinghe::app
