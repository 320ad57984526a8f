#include "app/result_display.h"

#include <mutex>
#include <string>

#include "analysis/core_calls.h"
#include "analysis/output/holder_tips.h"
#include "analysis/holding_list.h"
#include "analysis/holdings_sorting.h"
#include "app/library_calls.h"
#include "analysis/sources/link_resolution.h"
#include "app/program_state.h"
#include "components/list_box.h"
#include "program_resources.h"
#include "runtime/main_thread.h"
#include "runtime/property_access.h"
#include "runtime/runtime_object.h"

namespace qinghe::app {
namespace {

constexpr uint32_t kWindow = resources::window_id::main;
constexpr uint32_t kList = resources::unit_id::list_results;
constexpr int32_t kSelection = own_property(ListBoxProperty::kSelection);

// The tips of the last run's stocks; guarded by the result list's lock.
HolderTips& holder_tips_of_run() {
    static HolderTips tips;
    return tips;
}

void set_row_tip(int32_t row, const char* stock_name) {
    auto* box = dynamic_cast<ListBox*>(find_object(kWindow, kList));
    if (!box) return;
    auto found = holder_tips_of_run().find(stock_name ? stock_name : "");
    box->set_row_tip(row, found == holder_tips_of_run().end() ? std::string() : found->second);
}

void fill_rows(const ArrayBlock* list) {
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
        set_row_tip(i - 1, record->stock_name);
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

void open_selected_row_link() {
    open_row_link(get_property(kWindow, kList, kSelection, kWholeValue).as_int());
}

void open_row_link(int32_t row) {
    const std::string link = web_link_of_row(row);
    if (!link.empty()) open_web_page(link.c_str());
}

bool row_link_opens(int32_t row) { return !web_link_of_row(row).empty(); }

}  // namespace qinghe::app
