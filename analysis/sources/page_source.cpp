#include "analysis/sources/page_source.h"

#include <mutex>

#include "analysis/app_texts.h"
#include "analysis/sources/character_references.h"
#include "analysis/sources/conversion_limits.h"
#include "analysis/core_calls.h"
#include "analysis/sources/charset_conversion.h"
#include "analysis/sources/link_resolution.h"
#include "analysis/sources/page_pieces.h"
#include "analysis/sources/page_download.h"
#include "analysis/sources/text_cutting.h"
#include "analysis/sources/url_encoding.h"

namespace qinghe::app {
namespace {

constexpr int kRowsPerFund = 10;

// The page cut into its pieces in its own bytes, and only they converted
// into the page's text (page_pieces.h).
void read_page(const std::string& code, const std::string& body, SourceAnswer& answer) {
    const PagePieces pieces = page_pieces(body);
    const char* charset = app_text(AppText::charset_page);
    OwnedText title(program_text_of_piece(pieces.title, charset));
    answer.facts = fund_page_facts(code, !body.empty(), title ? title.get() : "",
                                   pieces.after_date_marker);
    OwnedText section(program_text_of_piece(pieces.section, charset));
    answer.section = section ? section.get() : "";
    const char* start = app_text(AppText::row_start);
    const char* end = app_text(AppText::row_end);
    if (section_has_row(section.get(), start, end))
        answer.rows = section_rows(section.get(), start, end, answer.url.c_str());
}

}  // namespace

SourceAnswer PageSource::ask(const std::string& code, const Fetch& fetch) const {
    SourceAnswer answer;
    answer.kind = SourceKind::page;
    answer.url = fund_page_url(base_.c_str(), code.c_str());
    net::FetchResult result = fetch({answer.url, {}});
    count_response(answer, result);
    answer.reason = failed_response_reason(result);
    if (!is_page(result)) std::string().swap(result.body);
    answer.charset = "utf-8";
    {
        // A page of the size only an endless or broken answer reaches is
        // converted by one worker at a time.
        std::unique_lock large(large_conversion_lock(), std::defer_lock);
        if (result.body.size() > size_t(kLargestConversionAtOnce)) large.lock();
        read_page(code, result.body, answer);
    }
    if (answer.reason.empty() && answer.rows.empty())
        answer.reason = answer.section.empty() ? "no box" : "empty box";
    return answer;
}

char* holdings_section(const char* page_text) {
    return text_between(page_text, app_text(AppText::section_start), app_text(AppText::section_end),
                        0, false);
}

bool section_has_row(const char* section, const char* row_start, const char* row_end) {
    OwnedText first_row(text_between(section, row_start, row_end, 0, false));
    return first_row != nullptr;
}

std::vector<SourceRow> section_rows(const char* section, const char* row_start, const char* row_end,
                                    const char* page_url) {
    const char* quote = app_text(AppText::double_quote);
    std::vector<SourceRow> rows;
    int32_t pos = 1;
    for (int pass = 0; pass < kRowsPerFund; ++pass) {
        OwnedText row(text_between(section, row_start, row_end, pos, false));
        // A pass that finds no row ends the table: searching again from the
        // start would collect the first rows a second time.
        if (!row) break;
        pos = find_text_from_start(section, row.get());
        OwnedText name(text_between(row.get(), app_text(AppText::title_marker), quote, 0, false));
        if (!name) continue;
        OwnedText ratio(text_span(
            row.get(), find_text_reverse_whole(row.get(), app_text(AppText::tag_close)) + 1,
            text_length(row.get())));
        OwnedText href(text_between(row.get(), "", quote, 0, false));
        rows.push_back({{name_text(name.get()), to_number(ratio ? ratio.get() : "")},
                        resolve_link(href ? href.get() : "", page_url ? page_url : "")});
    }
    return rows;
}

}  // namespace qinghe::app
