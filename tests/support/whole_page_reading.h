// What the page source reads from a page when the whole page is converted
// before it is cut: the reading its pieces (page_pieces.h) must give,
// whatever the page's bytes are.
#pragma once

#include <string>

#include "analysis/app_texts.h"
#include "analysis/core_calls.h"
#include "analysis/fund_report.h"
#include "analysis/sources/charset_conversion.h"
#include "analysis/sources/page_source.h"

namespace qinghe::testing_support {

inline app::SourceAnswer whole_page_reading(const std::string& code, const std::string& page,
                                            const std::string& url) {
    using namespace app;
    SourceAnswer answer;
    OwnedText whole(program_text(page, app_text(AppText::charset_page)));
    answer.facts = read_fund_page_facts(code, page, whole.get());
    OwnedText section(holdings_section(whole.get()));
    answer.section = section ? section.get() : "";
    const char* start = app_text(AppText::row_start);
    const char* end = app_text(AppText::row_end);
    if (section_has_row(section.get(), start, end))
        answer.rows = section_rows(section.get(), start, end, url.c_str());
    return answer;
}

}  // namespace qinghe::testing_support
