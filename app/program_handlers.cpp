#include "app/program_handlers.h"

#include <cstring>
#include <iterator>

#include "analysis/app_files.h"
#include "analysis/core_calls.h"
#include "app/analysis_run.h"
#include "app/code_list_setting.h"
#include "app/colour_scheme.h"
#include "app/library_calls.h"
#include "app/overlap_window.h"
#include "app/program_state.h"
#include "app/result_display.h"
#include "app/result_menu.h"
#include "app/today_window.h"
#include "components/edit_box.h"
#include "components/label.h"
#include "program_resources.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"

namespace qinghe::app {
namespace {

namespace unit = resources::unit_id;
constexpr uint32_t kMain = resources::window_id::main;

void clear_text(uint32_t unit_id, int32_t property) {
    set_property(kMain, unit_id, property, kWholeValue, TaggedArg::of_text(""));
}

char* config_file_path() { return program_file_path(resources::config_file_name()); }

void replace_colour_setting(char* text) {
    mem_free(colour_setting());
    colour_setting() = text;
}

HandlerResult on_main_created(const uint32_t*, int32_t) {
    start_up_main_window();
    return HandlerResult::none();
}

HandlerResult on_main_destroyed(const uint32_t*, int32_t) {
    const bool colour = save_colour_setting();
    const bool codes = save_code_list();
    return HandlerResult::of(colour && codes ? 1 : 0);
}

HandlerResult on_switch_scheme(const uint32_t*, int32_t) {
    switch_colour_scheme();
    return HandlerResult::none();
}

HandlerResult on_show_about(const uint32_t*, int32_t) {
    load_window(resources::window_id::about, true);
    return HandlerResult::none();
}

HandlerResult on_sort_by_ratio(const uint32_t*, int32_t) {
    sort_results_by_ratio();
    return HandlerResult::none();
}

HandlerResult on_sort_by_occurrences(const uint32_t*, int32_t) {
    sort_results_by_occurrences();
    return HandlerResult::none();
}

HandlerResult on_sort_by_money(const uint32_t*, int32_t) {
    sort_results_by_money();
    return HandlerResult::none();
}

HandlerResult on_open_row_link(const uint32_t*, int32_t) {
    open_selected_row_link();
    return HandlerResult::none();
}

HandlerResult on_analyse(const uint32_t*, int32_t) {
    start_analysis();
    return HandlerResult::none();
}

HandlerResult on_about_created(const uint32_t*, int32_t) { return HandlerResult::none(); }

HandlerResult on_play_tune(const uint32_t*, int32_t) {
    play_midi_once(resources::tune());
    return HandlerResult::none();
}

HandlerResult on_stop_tune(const uint32_t*, int32_t) {
    stop_playback();
    return HandlerResult::none();
}

// In the order of the resource's handler list, each by its function's
// name, so that a test holds the order against the generated names.
#define QINGHE_PROGRAM_HANDLERS(X)                                                     \
    X(on_main_created)                                                                 \
    X(on_main_destroyed)                                                               \
    X(on_switch_scheme)                                                                \
    X(on_show_about) X(on_sort_by_ratio) X(on_sort_by_occurrences) X(on_open_row_link) \
        X(on_analyse) X(on_about_created) X(on_play_tune) X(on_stop_tune) X(on_sort_by_money)

#define QINGHE_HANDLER_ENTRY(function) function,
constexpr EventHandler kHandlers[] = {QINGHE_PROGRAM_HANDLERS(QINGHE_HANDLER_ENTRY)};
#undef QINGHE_HANDLER_ENTRY

#define QINGHE_HANDLER_NAME(function) #function,
constexpr const char* kHandlerNames[] = {QINGHE_PROGRAM_HANDLERS(QINGHE_HANDLER_NAME)};
#undef QINGHE_HANDLER_NAME

}  // namespace

const EventHandler* program_handlers() { return kHandlers; }
const char* const* program_handler_names() { return kHandlerNames; }
size_t program_handler_count() { return std::size(kHandlers); }

void start_up_main_window() {
    clear_text(unit::edit_codes, own_property(EditBoxProperty::kContent));
    delete_all_rows(kMain, unit::list_results);
    clear_text(unit::label_progress, own_property(LabelProperty::kCaption));
    seed_random();
    OwnedText path(config_file_path());
    OwnedText saved(
        read_config_item(path.get(), resources::config_section(), resources::config_colour_key()));
    replace_colour_setting(saved && *saved ? saved.release()
                                           : join_texts({resources::scheme_dark()}));
    apply_colour_scheme(colour_setting());
    restore_code_list();
    install_result_menu();
}

void switch_colour_scheme() {
    const bool dark =
        colour_setting() && std::strcmp(colour_setting(), resources::scheme_dark()) == 0;
    replace_colour_setting(
        join_texts({dark ? resources::scheme_green() : resources::scheme_dark()}));
    apply_colour_scheme(colour_setting());
    restyle_overlap_window();
    restyle_today_window();
}

bool save_colour_setting() {
    OwnedText path(writable_program_file_path(resources::config_file_name()));
    return write_config_item(path.get(), resources::config_section(),
                             resources::config_colour_key(), colour_setting());
}

}  // namespace qinghe::app
