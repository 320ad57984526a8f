// The program's main window with the real window resource: start-up,
// colour schemes and their setting, and the analysis run end to end
// against a local page server. Needs the edit box and list box types;
// without them the window cannot load and the cases are skipped.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "app/analysis_run.h"
#include "app/app_files.h"
#include "app/core_calls.h"
#include "app/holding_list.h"
#include "app/library_calls.h"
#include "app/program_start.h"
#include "app/program_state.h"
#include "commands/music_commands.h"
#include "components/component_types.h"
#include "components/list_box.h"
#include "platform/midi.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/event_dispatch.h"
#include "runtime/event_suspension.h"
#include "runtime/frame.h"
#include "runtime/property_access.h"
#include "runtime/runtime_object.h"
#include "support/capturing_web_opener.h"
#include "support/fund_pages.h"
#include "support/loopback_server.h"
#include "support/report_capture.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;
namespace unit = resources::unit_id;
using platform::gbk_from_utf8;
using platform::utf8_from_gbk;
using qinghe::testing::CapturingWebOpener;
using qinghe::testing::LoopbackServer;
using qinghe::testing::ReportCapture;

constexpr uint32_t kMain = resources::window_id::main;
constexpr int32_t kDoubleClick = -3;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool wait_until(const std::function<bool()>& done, int milliseconds = 30000) {
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
        OwnedText value(
            read_config_item(path.get(), resources::config_section(), resources::config_colour_key()));
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
            for (int c = 0; c < 3; ++c)
                cells.push_back(view->model()->index(r, c).data().toString().toStdString());
            out.push_back(cells);
        }
        return out;
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

#define LOAD_MAIN_WINDOW_OR_SKIP()                                             \
    if (!load_main_window()) GTEST_SKIP() << "edit box or list box type not built yet"

TEST_F(MainWindowTest, StartUpEmptiesWhatTheResourceStoresAndPaintsTheDarkScheme) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    EXPECT_EQ(text_property(unit::edit_codes), "");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(text_property(unit::label_progress), "");
    EXPECT_EQ(colour(0, 10), 0x000000u);
    EXPECT_EQ(colour(unit::label_analyse, 16), 0x0080FFu);
    EXPECT_EQ(colour(unit::label_progress, 17), 0x000000u);  // caption colours win
    EXPECT_EQ(colour(unit::label_progress, 16), 0xC0C0C0u);
    EXPECT_EQ(colour(unit::edit_codes, 11), 0x0080FFu);
    EXPECT_EQ(colour(unit::list_results, 11), 0x0080FFu);
    EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
}

struct SchemeCase {
    const char* config;  // null: no configuration file
    uint32_t background;
    const char* saved_after_one_switch;
};

class SchemeTest : public MainWindowTest, public ::testing::WithParamInterface<SchemeCase> {};

TEST_P(SchemeTest, FollowsTheSettingTogglesAndIsSavedOnlyWhenTheWindowGoes) {
    const SchemeCase& c = GetParam();
    if (c.config) write_config(c.config);
    LOAD_MAIN_WINDOW_OR_SKIP();
    EXPECT_EQ(colour(0, 10), c.background);
    click(unit::label_switch_scheme);
    click(unit::label_switch_scheme);
    EXPECT_EQ(colour(0, 10), c.background);
    EXPECT_EQ(fs::exists(directory_.file("配置.ini")), c.config != nullptr);
    click(unit::label_switch_scheme);
    EXPECT_NE(colour(0, 10), c.background);
    object(0)->close();
    ASSERT_TRUE(wait_until([] { return object(0) == nullptr; }));
    EXPECT_EQ(saved_colour(), c.saved_after_one_switch);
}

std::string scheme_case_name(const ::testing::TestParamInfo<SchemeCase>& info) {
    static const char* const names[] = {"NoFile", "Dark", "Green", "OtherValue"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Settings, SchemeTest,
                         ::testing::Values(SchemeCase{nullptr, 0x000000, "1"},
                                           SchemeCase{"[设置]\r\n颜色=0\r\n", 0x000000, "1"},
                                           SchemeCase{"[设置]\r\n颜色=1\r\n", 0x737E50, "0"},
                                           SchemeCase{"[设置]\r\n颜色=绿\r\n", 0x737E50, "0"}),
                         scheme_case_name);

// Funds typed before the small samples, and what their merge with the
// samples must show.
struct FundSet {
    const char* name;
    bool real = false;
    std::vector<std::string> funds;   // typed first, in this order
    size_t merged_rows = 0;           // rows with the samples' rows merged in
    const char* most_held = "";       // the one stock held most often
    std::vector<float> most_held_ratios;  // its ratios, in the order read
    int32_t rows_read = 0;            // the sum of all appearances
};

// Names the case in test listings instead of its bytes.
void PrintTo(const FundSet& set, std::ostream* out) { *out << set.name; }

class AnalysisTest : public MainWindowTest {
protected:
    static std::map<std::string, std::string> pages(const FundSet& set = {}) {
        std::map<std::string, std::string> served;
        for (const std::string& code : set.funds)
            served["/" + code + ".html"] = set.real
                ? testing_support::read_fund_file(testing_support::real_page_path(code))
                : testing_support::generated_page(code);
        for (const char* code : {"900001", "900002", "900003"})
            served[std::string("/") + code + ".html"] = read_file(
                std::string(QINGHE_FIXTURE_DIR) + "/sample-fund-pages/" + code + ".html");
        return served;
    }

    // The site and the downloads at once (no key when empty).
    void point_at(const std::string& base_url, const std::string& parallel = "1") {
        write_config("[设置]\r\n基金网址=" + base_url + "\r\n" +
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

class AnalysisRunTest : public AnalysisTest, public ::testing::WithParamInterface<FundSet> {};

TEST_P(AnalysisRunTest, TypedCodesAreFetchedInOrderMergedSortedShownAndReSorted) {
    const FundSet& set = GetParam();
    if (set.real) SKIP_WITHOUT_REAL_FUND_PAGES();
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(pages(set));
    point_at(server);
    std::mutex mutex;
    std::vector<std::string> captions;  // the progress label at each request
    server.on_request([&](const std::string&) {
        std::string caption = text_property(unit::label_progress);
        std::lock_guard lock(mutex);
        captions.push_back(caption);
    });
    // An empty line, a trailing blank, a page without the markers, a 404
    // and a six-byte Chinese word among the codes.
    std::string typed;
    for (const std::string& code : set.funds) typed += code + (typed.empty() ? "\r\n\r\n" : "\r\n");
    type_codes(typed + "900001 \r\n900001\r\n900002\r\n900003\r\n123456\r\n示例01");
    // Sort clicks all through the run must neither corrupt nor half-show it.
    int sort_clicks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        click(++sort_clicks % 2 ? unit::label_sort_by_occurrences : unit::label_sort_by_ratio);
    });
    clicker.start(2);
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    clicker.stop();

    {
        std::lock_guard lock(mutex);
        std::vector<std::string> expected;
        std::vector<std::string> codes = set.funds;
        codes.insert(codes.end(), {"900001", "900002", "900003", "123456", "示例01"});
        for (const std::string& code : codes) expected.push_back("解析基金代码 " + code + " 中…… ");
        EXPECT_EQ(captions, expected);
    }
    // The label names the lines that gave nothing; a 404 is no page.
    EXPECT_EQ(object(unit::label_progress)->toolTip().toStdString().rfind(
                  "未读到: 900001□(不是6位) 900003(无持仓) 123456(下载失败)", 0),
              0u)
        << object(unit::label_progress)->toolTip().toStdString();
    EXPECT_EQ(rows(), result_rows());
    ASSERT_EQ(rows().size(), set.merged_rows);

    click(unit::label_sort_by_occurrences);
    auto by_count = rows();
    EXPECT_EQ(by_count, result_rows());
    EXPECT_EQ(by_count[0][0], set.most_held);
    float sum = 0;
    for (float ratio : set.most_held_ratios) sum = float(sum + ratio);
    OwnedText sum_text(to_text(TaggedArg::of_float(sum)));
    EXPECT_EQ(by_count[0][1], utf8_from_gbk(sum_text.get()));
    EXPECT_EQ(by_count[0][2], std::to_string(set.most_held_ratios.size()));
    int32_t appearances = std::stoi(by_count[0][2]);
    for (size_t i = 1; i < by_count.size(); ++i) {
        EXPECT_LT(std::stoi(by_count[i][2]), std::stoi(by_count[0][2])) << by_count[i][0];
        EXPECT_LE(std::stoi(by_count[i][2]), std::stoi(by_count[i - 1][2])) << by_count[i][0];
        appearances += std::stoi(by_count[i][2]);
    }
    EXPECT_EQ(appearances, set.rows_read);

    click(unit::label_sort_by_ratio);
    auto by_ratio = rows();
    EXPECT_EQ(by_ratio, result_rows());
    for (size_t i = 1; i < by_ratio.size(); ++i)
        EXPECT_GE(std::stof(by_ratio[i - 1][1]), std::stof(by_ratio[i][1])) << i;
    // Names differing in case or by a trailing blank stay apart.
    int sample_rows = 0;
    for (const auto& row : by_ratio)
        sample_rows += row[0] == "Sample Corp" || row[0] == "sample corp" || row[0] == "Sample Corp ";
    EXPECT_EQ(sample_rows, 3);
    EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
}

// Generated: the demo fund, its share class C (the same table) and the
// fund with two rows without links; 杉屿服饰-W is in all three. Real: the
// two saved pages, 泸州老窖 also in both samples.
INSTANTIATE_TEST_SUITE_P(
    Pages, AnalysisRunTest,
    ::testing::Values(
        FundSet{"Generated", false,
                {testing_support::fund_code::demo, testing_support::fund_code::demo_class_c,
                 testing_support::fund_code::foreign},
                22,  // 10 + 7 new + the samples' 5 names
                "杉屿服饰-W", {5.48f, 5.48f, 5.73f}, 10 + 10 + 8 + 3 + 3},
        FundSet{"Real", true, {"160127", "006309"},
                22,  // 10 + 8 + 4 names of the samples not in 160127
                "泸州老窖", {9.66f, 8.5f, 6.25f}, 10 + 8 + 3 + 3}),
    [](const ::testing::TestParamInfo<FundSet>& info) { return std::string(info.param.name); });

// The progress order is pinned above with one download at a time; any
// other setting shows the same rows.
TEST_F(AnalysisTest, DownloadingAheadShowsTheSameRowsForEverySetting) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    using testing_support::fund_code::demo, testing_support::fund_code::foreign;
    LoopbackServer server(pages(FundSet{"Generated", false, {demo, foreign}}));
    type_codes(std::string(demo) + "\r\n" + foreign +
               "\r\n900001\r\n123456\r\n900002\r\n900003\r\n" + demo);
    std::vector<std::vector<std::vector<std::string>>> shown;
    for (const char* parallel : {"1", "", "0", "-3", "99", "abc", "4", "8"}) {
        point_at(server, parallel);
        click(unit::label_analyse);
        ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; })) << parallel;
        shown.push_back(rows());
        EXPECT_EQ(shown.back(), shown.front()) << parallel;
    }
    EXPECT_EQ(shown.front().size(), 22u);
}

// A server that never answers: requests wait for an answer until their
// time-out (30 s); the program's end cancels them instead.
TEST_F(AnalysisTest, ProgramEndCancelsTheDownloadsUnderWay) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer silent([](qinghe::testing::Connection& c) { c.stay_silent(); });
    point_at(silent.base_url(), "4");
    type_codes("160127\r\n006309\r\n900001\r\n900002\r\n900003\r\n123456");
    click(unit::label_analyse);
    wait_until([] { return false; }, 300);
    EXPECT_EQ(runs_in_progress(), 1);
    notify_libraries_exit();  // what the exit sequence does
    EXPECT_TRUE(wait_until([] { return runs_in_progress() == 0; }, 10000));
    EXPECT_EQ(rows().size(), 0u);
}

TEST_F(AnalysisTest, LinesThatGaveNothingAreNamedWithTheirReasonsUntilTheNextRun) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    namespace code = testing_support::fund_code;
    LoopbackServer server(
        pages({"Generated", false, {code::demo, code::foreign, code::no_holdings}}));
    point_at(server);
    type_codes("701001\r\n70100\r\n702001 \r\n704001");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));

    const std::string whole = "未读到: 70100(不是6位) 702001□(不是6位) 704001(无持仓)";
    const std::string caption = text_property(unit::label_progress);
    const std::string tip = object(unit::label_progress)->toolTip().toStdString();
    if (caption == whole) {
        EXPECT_EQ(tip, "");
    } else {  // too wide for the label: cut, the tip shows it whole
        EXPECT_EQ(tip, whole);
        ASSERT_GE(caption.size(), 3u);
        EXPECT_EQ(caption.substr(caption.size() - 3), "…");
        EXPECT_EQ(whole.rfind(caption.substr(0, caption.size() - 3), 0), 0u);
    }
    auto first_rows = rows();
    EXPECT_EQ(first_rows, result_rows());
    ASSERT_EQ(first_rows.size(), 10u);  // the rows of 701001 alone
    EXPECT_EQ(first_rows[0][0], "岚溪酒业");

    // The next run's first progress text replaces the line; a run where
    // every line was read leaves the label empty and without tip.
    std::string caption_at_request;
    server.on_request([&](const std::string&) {
        if (caption_at_request.empty()) caption_at_request = text_property(unit::label_progress);
    });
    type_codes("701001\r\n\r\n702001");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    EXPECT_EQ(caption_at_request, "解析基金代码 701001 中…… ");
    EXPECT_EQ(text_property(unit::label_progress), "");
    EXPECT_EQ(object(unit::label_progress)->toolTip().toStdString(), "");
    EXPECT_EQ(rows().size(), 17u);  // 杉屿服饰-W in both; two rows of 702001 have no link
}

// Hovering a row shows the funds that hold the stock, in typed order, and
// that the funds report different quarters.
TEST_F(AnalysisTest, EachRowsTipNamesTheFundsHoldingItAndDifferingQuarters) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    namespace code = testing_support::fund_code;
    LoopbackServer server(
        pages({"Generated", false, {code::demo, code::foreign, code::older_report}}));
    point_at(server);
    type_codes("701001\r\n702001\r\n705001");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    ASSERT_EQ(rows().size(), 25u);  // 杉屿服饰-W, 澄岫食品 and 泓樾汽车 shared

    auto tip_of = [](const std::string& name) {
        auto* box = dynamic_cast<ListBox*>(object(unit::list_results));
        auto all = rows();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i][0] == name) return utf8_from_gbk(box->row_tip(int32_t(i)));
        return std::string("no such row");
    };
    const std::string dates = "\n报告期不同: 2022-06-30, 2022-09-30";
    const std::string shared = "701001 青禾新兴消费混合A 8.87% (2022-09-30)\n"
                               "705001 篁岭科技先锋股票 6.43% (2022-06-30)" + dates;
    EXPECT_EQ(tip_of("澄岫食品"), shared);
    EXPECT_EQ(tip_of("杉屿服饰-W"), "701001 青禾新兴消费混合A 5.48% (2022-09-30)\n"
                                    "702001 澄川全球消费精选混合人民币C 5.73% (2022-09-30)" + dates);
    EXPECT_EQ(tip_of("Kestrel Athletic"), "702001 澄川全球消费精选混合人民币C 2.55% (2022-09-30)" + dates);
    click(unit::label_sort_by_occurrences);  // the tips move with their rows
    EXPECT_EQ(tip_of("澄岫食品"), shared);

    // The list box shows a row's tip on a tool-tip event over it.
    QAbstractItemView* view = list_view();
    const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), tip_of(rows()[0][0]));
    QToolTip::hideText();
}

TEST_F(AnalysisTest, DoubleClickOpensTheResolvedWebLinkOfTheSelectedRowOnly) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    LoopbackServer server(pages());
    point_at(server);
    type_codes("900001\r\n900002");
    click(unit::label_analyse);
    ASSERT_TRUE(wait_until([] { return runs_in_progress() == 0; }));
    ASSERT_EQ(rows().size(), 5u);  // 泸州老窖 merged

    EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
    CapturingWebOpener opener;
    auto row_of = [](const std::string& name) {
        auto all = rows();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i][0] == name) return int32_t(i);
        return -1;
    };
    struct Case {
        const char* name;
        std::string opened;  // empty: nothing opened
    };
    const Case cases[] = {
        {"泸州老窖", "http://quote.eastmoney.com/unify/r/0.000568"},  // protocol-relative
        {"示例科技", server.base_url() + "unify/r/0.300001"},        // root-relative
        {"Sample Corp", "https://example.com/sample"},
        {"Sample Corp ", ""},  // a javascript: link is never handed on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opener.targets.clear();
        set_property(kMain, unit::list_results, 35, kWholeValue, TaggedArg::of_int(row_of(c.name)));
        raise_event(kMain, unit::list_results, kDoubleClick, {});
        EXPECT_EQ(capture_->shown(), 0) << capture_->utf8();
        if (c.opened.empty()) EXPECT_TRUE(opener.targets.empty());
        else EXPECT_EQ(opener.targets, std::vector<std::string>{c.opened});
    }
    opener.targets.clear();
    set_property(kMain, unit::list_results, 35, kWholeValue, TaggedArg::of_int(-1));
    raise_event(kMain, unit::list_results, kDoubleClick, {});
    EXPECT_TRUE(opener.targets.empty());
}

// The About label opens the About window modally; a press on its usage text
// plays the tune, a double-click stops it, Esc closes only the About window.
TEST_F(MainWindowTest, AboutWindowPlaysAndStopsTheTuneAndEscClosesOnlyIt) {
    LOAD_MAIN_WINDOW_OR_SKIP();
    auto recording = std::make_shared<platform::RecordingOutput>();
    platform::use_midi_output([recording] { return recording; }, 1.0);
    constexpr uint32_t kAbout = resources::window_id::about;
    bool opened = false, played = false, stopped = false, main_disabled = false;
    // Acts once the About window is up and its modal loop runs.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* about = find_object(kAbout, 0);
        if (!about || !about->isVisible() || find_object(kMain, 0)->isEnabled()) return;
        poll.stop();
        QWidget* usage = find_object(kAbout, resources::unit_id::label_usage);
        opened = usage != nullptr;
        if (!opened) return;
        main_disabled = !find_object(kMain, 0)->isEnabled();
        auto send = [usage](QEvent::Type type, Qt::MouseButtons buttons) {
            QPointF at(4, 4);
            QMouseEvent event(type, at, usage->mapToGlobal(at), Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(usage, &event);
        };
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        played = wait_until([] { return music_state() == 1; }, 5000);
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        send(QEvent::MouseButtonDblClick, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        stopped = wait_until([] { return music_state() == 0; }, 5000);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(find_object(kAbout, 0), &esc);
    });
    poll.start();
    click(unit::label_about);  // returns once the About window is closed
    platform::use_default_midi_output();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(main_disabled);
    EXPECT_TRUE(played);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(find_object(kAbout, 0), nullptr);
    ASSERT_NE(find_object(kMain, 0), nullptr);
    EXPECT_TRUE(find_object(kMain, 0)->isEnabled());
}

}  // namespace
}  // namespace qinghe::app
