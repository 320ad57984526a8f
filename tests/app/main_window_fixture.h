// The fixture of the main-window tests: the program's main window with the
// real window resource, a fresh runtime and program state in a temporary
// working directory, and the helpers that click, read properties and read
// the result list. AnalysisTest adds a local page server's pages.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/app_files.h"
#include "analysis/core_calls.h"
#include "analysis/holding_list.h"
#include "app/library_calls.h"
#include "app/program_start.h"
#include "app/program_state.h"
#include "components/component_types.h"
#include "components/list_box.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/event_suspension.h"
#include "runtime/frame.h"
#include "runtime/property_access.h"
#include "runtime/runtime_object.h"
#include "support/every_host.h"
#include "support/fund_pages.h"
#include "support/loopback_server.h"
#include "support/report_capture.h"
#include "support/temp_directory.h"

namespace qinghe::app::main_window_testing {

namespace fs = std::filesystem;
namespace unit = resources::unit_id;
using platform::gbk_from_utf8;
using platform::utf8_from_gbk;
using qinghe::testing::LoopbackServer;
using qinghe::testing::ReportCapture;

inline constexpr uint32_t kMain = resources::window_id::main;
inline constexpr int32_t kDoubleClick = -3;

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool wait_until(const std::function<bool()>& done, int milliseconds = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool registered = [] {
            register_component_types();
            return true;
        }();
        (void)registered;
        fresh_runtime();
        capture_ = std::make_unique<ReportCapture>();
        original_directory_ = fs::current_path();
        fs::current_path(directory_.path());
        initialise_program_state();
    }

    void TearDown() override {
        EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
        reset_form_engine();
        release_program_state(0);
        fs::current_path(original_directory_);
        capture_.reset();
    }

    // The window table again, with no window and events flowing.
    static void fresh_runtime() {
        reset_form_engine();
        initialise_runtime();
        while (event_suspension_count() > 0) lower_event_suspension();
    }

    // Loads the main window; false when its component types are missing.
    bool load_main_window() {
        if (!list_box_commands_available()) return false;
        return qinghe::load_window(kMain, nullptr, false) == 0;
    }

    void write_config(const std::string& utf8_lines) {
        std::ofstream(directory_.file("配置.ini"), std::ios::binary) << gbk_from_utf8(utf8_lines);
    }

    std::string saved_colour() {
        OwnedText path(program_file_path(resources::config_file_name()));
        OwnedText value(read_config_item(path.get(), resources::config_section(),
                                         resources::config_colour_key()));
        return value ? value.get() : "";
    }

    static QWidget* object(uint32_t unit_id) { return find_object(kMain, unit_id); }

    static void click(uint32_t unit_id) {
        QWidget* target = object(unit_id);
        ASSERT_NE(target, nullptr);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QPointF at(4, 4);
            QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(target, &event);
        }
    }

    static uint32_t colour(uint32_t unit_id, int32_t property) {
        return uint32_t(get_property(kMain, unit_id, property, kWholeValue).as_int());
    }

    static std::string text_property(uint32_t unit_id) {
        TaggedArg value = get_property(kMain, unit_id, 8, kWholeValue);
        OwnedText text(static_cast<char*>(value.pointer()));
        return text ? utf8_from_gbk(text.get()) : "";
    }

    static QAbstractItemView* list_view() {
        QWidget* list = object(unit::list_results);
        if (auto* view = qobject_cast<QAbstractItemView*>(list)) return view;
        return list ? list->findChild<QAbstractItemView*>() : nullptr;
    }

    static std::vector<std::vector<std::string>> rows() {
        std::vector<std::vector<std::string>> out;
        QAbstractItemView* view = list_view();
        if (!view || !view->model()) return out;
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            std::vector<std::string> cells;
            for (int c = 0; c < view->model()->columnCount(); ++c)
                cells.push_back(view->model()->index(r, c).data().toString().toStdString());
            out.push_back(cells);
        }
        return out;
    }

    // The tip of the shown row whose stock is `name` (UTF-8).
    static std::string tip_of(const std::string& name) {
        auto* box = dynamic_cast<ListBox*>(object(unit::list_results));
        auto all = rows();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i][0] == name) return utf8_from_gbk(box->row_tip(int32_t(i)));
        return "no such row";
    }

    // The result list as the list box should show it.
    static std::vector<std::vector<std::string>> result_rows() {
        std::lock_guard lock(result_list_lock());
        std::vector<std::vector<std::string>> out;
        for (int32_t i = 1; i <= record_count(result_list()); ++i) {
            const HoldingRecord* r = record_at(result_list(), i);
            OwnedText ratio(to_text(TaggedArg::of_float(r->ratio)));
            out.push_back({utf8_from_gbk(r->stock_name), utf8_from_gbk(ratio.get()),
                           std::to_string(r->occurrences)});
        }
        return out;
    }

    std::unique_ptr<ReportCapture> capture_;
    testing_support::TempDirectory directory_;
    fs::path original_directory_;
};

#define LOAD_MAIN_WINDOW_OR_SKIP() \
    if (!load_main_window()) GTEST_SKIP() << "edit box or list box type not built yet"

// Funds typed before the small samples, and what their merge with the
// samples must show.
struct FundSet {
    const char* name;
    bool real = false;
    std::vector<std::string> funds;         // typed first, in this order
    size_t merged_rows = 0;                 // rows with the samples' rows merged in
    const char* most_held = "";             // the one stock held most often
    std::vector<float> most_held_ratios{};  // its ratios, in the order read
    int32_t rows_read = 0;                  // the sum of all appearances
};

// Names the case in test listings instead of its bytes.
inline void PrintTo(const FundSet& set, std::ostream* out) { *out << set.name; }

class AnalysisTest : public MainWindowTest {
protected:
    static std::map<std::string, std::string> pages(const FundSet& set = {}) {
        std::map<std::string, std::string> served;
        for (const std::string& code : set.funds)
            served["/" + code + ".html"] =
                set.real ? testing_support::read_fund_file(testing_support::real_page_path(code))
                         : testing_support::generated_page(code);
        for (const char* code : {"900001", "900002", "900003"})
            served[std::string("/") + code + ".html"] =
                read_file(std::string(QINGHE_FIXTURE_DIR) + "/sample-fund-pages/" + code + ".html");
        return served;
    }

    // The site's three sources and the downloads at once (no key when empty).
    void point_at(const std::string& base_url, const std::string& parallel = "1") {
        write_config("[设置]\r\n" + testing_support::every_host_at(base_url) +
                     (parallel.empty() ? "" : "同时下载=" + parallel + "\r\n"));
    }
    void point_at(const LoopbackServer& server, const std::string& parallel = "1") {
        point_at(server.base_url(), parallel);
    }

    void type_codes(const std::string& utf8) {
        set_property(kMain, unit::edit_codes, 8, kWholeValue,
                     TaggedArg::of_text(gbk_from_utf8(utf8).c_str()));
    }
};

}  // namespace qinghe::app::main_window_testing
