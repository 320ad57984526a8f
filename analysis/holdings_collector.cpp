#include "analysis/holdings_collector.h"

#include <string>

#include "analysis/app_files.h"
#include "analysis/app_texts.h"
#include "analysis/core_calls.h"
#include "analysis/holdings_merge.h"
#include "analysis/sources/page_download.h"
#include "analysis/sources/page_source.h"
#include "analysis/sources/url_encoding.h"
#include "runtime/memory.h"

namespace qinghe::app {
namespace {

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
    page_facts_ = read_fund_page_facts(code, byte_set_view(page.get()), whole.get());
    replace(section_, holdings_section(whole.get()));
    dump_section(section_);
    return section_has_row(section_, row_start_marker_, row_end_marker_);
}

void HoldingsCollector::parse_rows() {
    append_rows(section_rows(section_, row_start_marker_, row_end_marker_, page_url_));
}

void HoldingsCollector::take_answer(const SourceAnswer* page, const SourceAnswer* answered) {
    replace(section_, page ? make_text(page->section) : nullptr);
    dump_section(section_);
    if (answered) append_rows(answered->rows);
}

void HoldingsCollector::append_rows(const std::vector<SourceRow>& rows) {
    for (const SourceRow& row : rows) {
        std::string name = row.row.stock_name, link = row.link;
        HoldingRecord record{name.data(), row.row.ratio, 1, link.data()};
        append_record_copy(holdings_, record);
    }
}

void HoldingsCollector::add_rows_through(const std::vector<SourceRow>& rows, int32_t first) {
    for (const SourceRow& row : rows) {
        HoldingRecord* same = nullptr;
        for (int32_t i = first; i <= record_count(holdings_) && !same; ++i) {
            HoldingRecord* record = record_at(holdings_, i);
            if (record->stock_name && row.row.stock_name == record->stock_name) same = record;
        }
        if (same) same->ratio += row.row.ratio;
        else append_rows({row});
    }
}

void HoldingsCollector::merge_into(ArrayBlock*& result_list) {
    merge_by_stock_name(holdings_);
    // The outcome is assigned whatever the count, so a run never shows the
    // previous run's list.
    assign_record_array(result_list, holdings_);
}

}  // namespace qinghe::app
