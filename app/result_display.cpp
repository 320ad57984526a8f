#include "app/result_display.h"

#include <mutex>
#include <string>

#include "analysis/code_line.h"
#include "analysis/core_calls.h"
#include "analysis/decimal_numbers.h"
#include "analysis/look_through.h"
#include "analysis/output/holder_tips.h"
#include "analysis/holding_list.h"
#include "analysis/holdings_sorting.h"
#include "app/library_calls.h"
#include "analysis/sources/link_resolution.h"
#include "app/program_state.h"
#include "app/result_menu.h"
#include "app/today_window.h"
#include "components/list_box.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/list_tables.h"
#include "runtime/main_thread.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"
#include "runtime/runtime_object.h"

namespace qinghe::app {
namespace {

constexpr uint32_t kWindow = resources::window_id::main;
constexpr uint32_t kList = resources::unit_id::list_results;
constexpr int32_t kSelection = own_property(ListBoxProperty::kSelection);
constexpr int32_t kColumns = own_property(ListBoxProperty::kColumns);

// Where the list's columns and the sort labels above them stand: three
// columns as the window is drawn, a fourth with the user's money or with
// each stock's change today (while the 今日估算 window is open), five with
// both.
struct ColumnPlace {
    const char* caption;
    uint32_t label;  // the caption above the column; 0: the list's own
    int32_t left, label_width, width;
};

const std::vector<ColumnPlace>& column_places(bool money, bool today) {
    namespace unit = resources::unit_id;
    static const std::vector<ColumnPlace> three = {
        {"股票名称", 0, 0, 0, 250},
        {"持仓比例", unit::label_sort_by_ratio, 448, 112, 120},
        {"出现次数", unit::label_sort_by_occurrences, 573, 115, 80}};
    static const std::vector<ColumnPlace> four = {
        {"股票名称", 0, 0, 0, 160},
        {"持仓比例", unit::label_sort_by_ratio, 358, 96, 85},
        {"出现次数", unit::label_sort_by_occurrences, 448, 101, 95},
        {"持有金额", unit::label_sort_by_money, 543, 115, 110}};
    static const std::vector<ColumnPlace> four_today = {
        {"股票名称", 0, 0, 0, 160},
        {"持仓比例", unit::label_sort_by_ratio, 358, 96, 85},
        {"出现次数", unit::label_sort_by_occurrences, 448, 101, 95},
        {"今日涨跌", 0, 0, 0, 110}};
    static const std::vector<ColumnPlace> five = {
        {"股票名称", 0, 0, 0, 100},
        {"持仓比例", unit::label_sort_by_ratio, 303, 91, 85},
        {"出现次数", unit::label_sort_by_occurrences, 394, 93, 90},
        {"持有金额", unit::label_sort_by_money, 487, 96, 95},
        {"今日涨跌", 0, 0, 0, 80}};
    if (money) return today ? five : four;
    return today ? four_today : three;
}

// The captions (GBK) of the list's columns as they stand.
std::vector<std::string> column_captions() {
    TaggedArg stored = get_property(kWindow, kList, kColumns, kWholeValue);
    const auto columns = decode_column_table(byte_set_view(stored.byte_set()));
    mem_free(stored.pointer());
    std::vector<std::string> captions;
    if (columns)
        for (const ListColumn& column : *columns) captions.push_back(column.caption);
    return captions;
}

// Lays out the columns; nothing when the list already has them.
void place_columns(bool money, bool today) {
    const std::vector<ColumnPlace>& places = column_places(money, today);
    std::vector<std::string> captions;
    for (const ColumnPlace& place : places)
        captions.push_back(platform::gbk_from_utf8(place.caption));
    if (column_captions() == captions) return;
    std::vector<ListColumn> columns;
    for (const ColumnPlace& place : places) {
        columns.push_back({false, -1, 0, place.width, platform::gbk_from_utf8(place.caption)});
        if (!place.label) continue;
        set_property(kWindow, place.label, CommonProperty::kLeft, kWholeValue,
                     TaggedArg::of_int(place.left));
        set_property(kWindow, place.label, CommonProperty::kWidth, kWholeValue,
                     TaggedArg::of_int(place.label_width));
    }
    set_property(kWindow, resources::unit_id::label_sort_by_money, CommonProperty::kVisible,
                 kWholeValue, TaggedArg::of_bool(money));
    ByteSet* table = make_byte_set(encode_column_table(columns));
    set_property(kWindow, kList, kColumns, kWholeValue, TaggedArg::of_byte_set(table));
    mem_free(table);
    install_result_menu();  // the new columns come with a list box made afresh
}

// The tips of the last run's stocks; guarded by the result list's lock.
HolderTips& holder_tips_of_run() {
    static HolderTips tips;
    return tips;
}

// The row's holder tip, and the stock's quote today below it while the
// 今日估算 window shows one.
void set_row_tip(int32_t row, const HoldingRecord& record, const TodayStock* today) {
    auto* box = dynamic_cast<ListBox*>(find_object(kWindow, kList));
    if (!box) return;
    auto found = holder_tips_of_run().find(record.stock_name ? record.stock_name : "");
    std::string tip = found == holder_tips_of_run().end() ? std::string() : found->second;
    if (today) tip += (tip.empty() ? "" : "\n") + platform::gbk_from_utf8(today_quote_line(*today));
    box->set_row_tip(row, tip);
}

void fill_rows(const ArrayBlock* list) {
    const std::vector<double> amounts = fund_amounts(run_reports());
    const auto money = money_by_stock(list, run_reports(), amounts);
    const std::shared_ptr<const TodayReport> today = shown_today_report();
    place_columns(!amounts.empty(), today != nullptr);
    delete_all_rows(kWindow, kList);
    const int32_t count = record_count(list);
    for (int32_t i = 1; i <= count; ++i) {
        const HoldingRecord* record = record_at(list, i);
        append_row(kWindow, kList);
        OwnedText ratio(to_text(TaggedArg::of_float(record->ratio)));
        OwnedText occurrences(to_text(TaggedArg::of_int(record->occurrences)));
        set_cell_text(kWindow, kList, i - 1, 0, record->stock_name);
        set_cell_text(kWindow, kList, i - 1, 1, ratio.get());
        set_cell_text(kWindow, kList, i - 1, 2, occurrences.get());
        if (!amounts.empty())
            set_cell_text(
                kWindow, kList, i - 1, 3,
                yuan_text(money.at(record->stock_name ? record->stock_name : "")).c_str());
        const TodayStock* stock =
            today ? stock_by_link(*today, record->link ? record->link : "") : nullptr;
        if (today)
            set_cell_text(kWindow, kList, i - 1, amounts.empty() ? 3 : 4,
                          platform::gbk_from_utf8(today_change_text(stock)).c_str());
        set_row_tip(i - 1, *record, stock);
    }
}

void show_locked() {
    std::lock_guard lock(result_list_lock());
    if (result_list_alive()) fill_rows(result_list());
}

template <class Sort>
void sort_and_show(Sort sort) {
    std::unique_lock lock(result_list_lock(), std::try_to_lock);
    if (!lock.owns_lock() || !result_list_alive()) return;
    sort(result_list(), 1, record_count(result_list()));
    fill_rows(result_list());
}

// The link of a row when it is an http or https address, else empty; also
// empty while a run is merging the list.
std::string web_link_of_row(int32_t row) {
    std::unique_lock lock(result_list_lock(), std::try_to_lock);
    if (row < 0 || !lock.owns_lock() || !result_list_alive() || row >= record_count(result_list()))
        return {};
    const char* stored = record_at(result_list(), row + 1)->link;
    const std::string link = stored ? stored : "";
    return is_web_address(link) ? link : std::string();
}

}  // namespace

void set_holder_tips(HolderTips tips) { holder_tips_of_run() = std::move(tips); }

void show_results() { run_on_main_thread(&show_locked); }

void sort_results_by_ratio() { sort_and_show(&sort_by_ratio); }
void sort_results_by_occurrences() { sort_and_show(&sort_by_occurrences); }
void sort_results_by_money() {
    sort_and_show([](ArrayBlock* list, int32_t lo, int32_t hi) {
        const std::vector<double> amounts = fund_amounts(run_reports());
        if (!amounts.empty())
            sort_by_money(list, lo, hi, money_by_stock(list, run_reports(), amounts));
    });
}

void open_selected_row_link() {
    open_row_link(get_property(kWindow, kList, kSelection, kWholeValue).as_int());
}

void open_row_link(int32_t row) {
    const std::string link = web_link_of_row(row);
    if (!link.empty()) open_web_page(link.c_str());
}

bool row_link_opens(int32_t row) { return !web_link_of_row(row).empty(); }

}  // namespace qinghe::app
