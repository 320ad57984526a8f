#include "app/analysis_run.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>

#include "analysis/app_files.h"
#include "analysis/code_line.h"
#include "analysis/core_calls.h"
#include "analysis/fund_coverage.h"
#include "analysis/history/history_location.h"
#include "analysis/history/history_messages.h"
#include "analysis/holdings_pipeline.h"
#include "analysis/holdings_sorting.h"
#include "analysis/unread_codes.h"
#include "app/overlap_window.h"
#include "app/program_state.h"
#include "app/progress_label.h"
#include "app/result_display.h"
#include "app/today_window.h"
#include "components/edit_box.h"
#include "components/label.h"
#include "net/http_settings.h"
#include "platform/kernel32_module.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/dll_commands.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"

namespace qinghe::app {
namespace {

namespace dll = resources::dll_command;

constexpr uint32_t kWindow = resources::window_id::main;
constexpr int32_t kContent = own_property(EditBoxProperty::kContent);
constexpr int32_t kCaption = own_property(LabelProperty::kCaption);

std::mutex g_run_lock;
std::atomic<int32_t> g_runs{0};

void set_progress(const char* text) {
    set_property(kWindow, resources::unit_id::label_progress, kCaption, kWholeValue,
                 TaggedArg::of_text(text ? text : ""));
}

ArrayBlock* typed_lines() {
    TaggedArg content =
        get_property(kWindow, resources::unit_id::edit_codes, kContent, kWholeValue);
    OwnedText text(static_cast<char*>(content.pointer()));
    return split_text(text.get(), resources::line_separator());
}

void release_lines(ArrayBlock* lines) {
    if (!lines) return;
    for (int32_t i = 0; i < lines->sizes()[0]; ++i) mem_free(lines->pointer_at(i));
    mem_free(lines);
}

std::string run_end_line(const std::vector<FundReport>& reports, const HistoryNotice& notice) {
    std::string line = unread_codes_line(reports);
    const std::string money = platform::gbk_from_utf8(
        money_coverage_line(money_coverage(reports, fund_amounts(reports)), "￥"));
    for (const std::string& part : {money, history_notice_for_label(notice)})
        if (!part.empty()) line += (line.empty() ? "" : " ") + part;
    return line;
}

void merge_and_sort(HoldingsCollector& collector, const std::vector<FundReport>& reports) {
    std::lock_guard lock(result_list_lock());
    if (!result_list_alive()) return;
    collector.merge_into(result_list());
    sort_by_ratio(result_list(), 1, record_count(result_list()));
    set_holder_tips(holder_tips(result_list(), reports));
    run_reports() = reports;
}

}  // namespace

bool start_thread(ThreadProcedure procedure, int32_t parameter, int32_t* handle,
                  uint32_t* thread_id, bool start_at_once) {
    const intptr_t flags = start_at_once ? 0 : platform::kCreateSuspended;
    const intptr_t created = call_dll_command(dll::CreateThread, intptr_t(0), intptr_t(0),
                                              procedure, intptr_t(parameter), flags, thread_id);
    if (handle) *handle = int32_t(created);
    else call_dll_command(dll::CloseHandle, created);
    return created != 0;
}

void analysis_run() {
    std::lock_guard run(g_run_lock);
    const SourceSettings sources = source_settings();
    use_user_agent(user_agent_setting());
    HoldingsCollector collector(sources.page_base.c_str());
    ArrayBlock* lines = typed_lines();
    CodeProgress progress;
    progress.starting = [](const char*, const char* text) { set_progress(text); };
    clear_progress_tip();
    std::vector<FundReport> reports;
    net::set_transfer_timeout(std::chrono::seconds(download_timeout_setting()));
    HistoryNotice notice;
    {
        // Offline, not one request.
        const bool offline = offline_setting();
        FundsAhead funds(offline ? std::vector<std::string>() : accepted_codes(lines),
                         make_sources(sources), parallel_download_setting(), {},
                         AssetMixRequest(sources), FeederCheck(sources));
        // Opened ahead on a thread of its own, then used on this worker only.
        RunHistory history(history_file_path(), offline);
        if (funds.size()) history.open_ahead();
        reports = collect_holdings(collector, lines, progress, funds, &history);
        notice = history.take_notice();
    }
    merge_and_sort(collector, reports);
    // The label is emptied, or names the lines that gave nothing, the codes
    // taken from the history and a fault of its file.
    show_run_end(run_end_line(reports, notice));
    show_results();
    release_lines(lines);
}

uint32_t analysis_thread(void*) {
    analysis_run();
    --g_runs;
    return 0;
}

void start_analysis() {
    close_overlap_window();  // they show the run this one replaces
    close_today_window();
    uint32_t thread_id = 0;
    ++g_runs;
    if (!start_thread(&analysis_thread, 0, nullptr, &thread_id)) --g_runs;
}

int32_t runs_in_progress() { return g_runs; }

}  // namespace qinghe::app
