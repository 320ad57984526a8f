#include "analysis/holdings_collector.h"

#include <string>

#include "analysis/app_files.h"
#include "analysis/app_texts.h"
#include "analysis/character_references.h"
#include "analysis/core_calls.h"
#include "analysis/holdings_merge.h"
#include "analysis/link_resolution.h"
#include "analysis/page_download.h"
#include "analysis/text_cutting.h"
#include "analysis/url_encoding.h"
#include "runtime/memory.h"

namespace qinghe::app {
namespace {

constexpr int kRowsPerFund = 10;

char* copy_of(const char* text) { return join_texts({text}); }

void replace(char*& field, char* value) {
    mem_free(field);
    field = value;
}

// The cut section goes to the dump file beside the configuration file; a
// failing write is ignored.
void dump_section(const char* section) {
    OwnedText path(writable_program_file_path(app_text(AppText::section_dump_file)));
    OwnedBytes bytes(to_byte_set(section));
    write_file(path.get(), bytes.get());
}

}  // namespace

HoldingsCollector::HoldingsCollector(const char* base_url, PageReader read_page,
                                     PageConverter convert_page)
    : row_start_marker_(copy_of(app_text(AppText::row_start))),
      row_end_marker_(copy_of(app_text(AppText::row_end))),
      holdings_(new_record_array()),
      base_url_(copy_of(base_url)),
      read_page_(read_page),
      convert_page_(convert_page) {}

void HoldingsCollector::destroy() {
    replace(section_, nullptr);
    replace(row_start_marker_, nullptr);
    replace(row_end_marker_, nullptr);
    replace(base_url_, nullptr);
    replace(page_url_, nullptr);
    release_record_array(holdings_);
}

void HoldingsCollector::copy(const HoldingsCollector& source) {
    if (&source == this) return;
    replace(section_, copy_of(source.section_));
    replace(row_start_marker_, copy_of(source.row_start_marker_));
    replace(row_end_marker_, copy_of(source.row_end_marker_));
    replace(base_url_, copy_of(source.base_url_));
    replace(page_url_, copy_of(source.page_url_));
    read_page_ = source.read_page_;
    convert_page_ = source.convert_page_;
    page_facts_ = source.page_facts_;
    assign_record_array(holdings_, source.holdings_);
}

bool HoldingsCollector::fetch_fund(const char* code) {
    // The code is one path segment, whatever it holds.
    replace(page_url_, make_text(fund_page_url(base_url_, code)));
    OwnedBytes page(read_page_(page_url_));
    OwnedBytes converted(convert_page_(page.get()));
    OwnedText whole(to_text(TaggedArg::of_byte_set(converted.get())));
    page_facts_ = read_fund_page_facts(code, page.get(), whole.get());
    replace(section_, text_between(whole.get(), app_text(AppText::section_start),
                                   app_text(AppText::section_end), 0, false));
    dump_section(section_);
    OwnedText first_row(text_between(section_, row_start_marker_, row_end_marker_, 0, false));
    return first_row != nullptr;
}

void HoldingsCollector::parse_rows() {
    const char* quote = app_text(AppText::double_quote);
    int32_t pos = 1;
    for (int pass = 0; pass < kRowsPerFund; ++pass) {
        OwnedText row(text_between(section_, row_start_marker_, row_end_marker_, pos, false));
        // A pass that finds no row ends the table: searching again from the
        // start would collect the first rows a second time.
        if (!row) break;
        pos = find_text_from_start(section_, row.get());
        OwnedText name(text_between(row.get(), app_text(AppText::title_marker), quote, 0, false));
        if (!name) continue;
        OwnedText ratio(text_span(
            row.get(), find_text_reverse_whole(row.get(), app_text(AppText::tag_close)) + 1,
            text_length(row.get())));
        OwnedText href(text_between(row.get(), "", quote, 0, false));
        std::string link = resolve_link(href ? href.get() : "", page_url_ ? page_url_ : "");
        std::string stock = decode_character_references(name.get());
        HoldingRecord record{stock.data(), to_number(ratio ? ratio.get() : ""), 1, link.data()};
        append_record_copy(holdings_, record);
    }
}

void HoldingsCollector::append_row(const char* stock_name, float ratio, const char* link) {
    HoldingRecord record{const_cast<char*>(stock_name), ratio, 1, const_cast<char*>(link)};
    append_record_copy(holdings_, record);
}

void HoldingsCollector::merge_into(ArrayBlock*& result_list) {
    merge_by_stock_name(holdings_);
    // The outcome is assigned whatever the count, so a run never shows the
    // previous run's list.
    assign_record_array(result_list, holdings_);
}

}  // namespace qinghe::app
