// A whole analysis run over 50 fund codes served from a loopback server:
// the first 50 generated fund pages, whose holdings overlap.
// Prints three figures:
//   - the run as the window does it (codes typed, 分析 started, list box
//     filled offscreen), median of several runs;
//   - the same run done stage by stage with each stage's calls timed here,
//     and each stage's share;
//   - the same 50 codes through the qinghe-analyse executable (wall time
//     of the process).
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cfenv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/analysis_run.h"
#include "analysis/app_texts.h"
#include "analysis/sources/charset_conversion.h"
#include "analysis/core_calls.h"
#include "analysis/holding_list.h"
#include "analysis/holdings_collector.h"
#include "analysis/holdings_sorting.h"
#include "analysis/host_table.h"
#include "analysis/sources/page_download.h"
#include "app/program_start.h"
#include "app/program_state.h"
#include "app/result_display.h"
#include "analysis/sources/text_cutting.h"
#include "components/component_types.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"
#include "runtime/runtime_object.h"
#include "support/every_host.h"
#include "support/loopback_server.h"

extern char** environ;

namespace {

using namespace qinghe;
using namespace qinghe::app;
using clock_type = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kCodes = 50;
constexpr int kRuns = 3;

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Pages {
    std::vector<std::string> codes;
    std::map<std::string, std::string> served;  // by request path
};

Pages fund_pages() {
    std::ifstream list(QINGHE_GENERATED_PAGES_DIR "/codes.txt");
    Pages pages;
    for (std::string code; pages.codes.size() < size_t(kCodes) && std::getline(list, code);) {
        pages.codes.push_back(code);
        pages.served["/" + code + ".html"] =
            read_file(QINGHE_GENERATED_PAGES_DIR "/" + code + ".html");
    }
    return pages;
}

// The page reader of the staged run: download_page, timed, with a copy of
// each page kept for the separate conversion pass.
double g_download_seconds = 0;
std::vector<std::string> g_downloaded;

ByteSet* timed_download(const char* url) {
    auto start = clock_type::now();
    ByteSet* page = download_page(url);
    g_download_seconds += seconds_since(start);
    g_downloaded.emplace_back(byte_set_view(page));
    return page;
}

// Serves the main thread's events until the runs end, sleeping between
// them (a timer wakes the loop to look at the counter).
void wait_for_runs() {
    QTimer tick;
    tick.start(2);
    while (runs_in_progress() > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// The run as the window does it: the codes typed into the edit box, a run
// started as 分析 starts it, until the list box shows the result.
double window_run(const std::string& typed) {
    set_property(resources::window_id::main, resources::unit_id::edit_codes, 8, kWholeValue,
                 TaggedArg::of_text(typed.c_str()));
    auto start = clock_type::now();
    start_analysis();
    wait_for_runs();
    return seconds_since(start);
}

struct Stages {
    double download = 0, conversion = 0, extraction = 0, merge = 0, sort = 0, display = 0;
    int rows = 0;
    double total() const { return download + conversion + extraction + merge + sort + display; }
};

// The section cut of fetch_fund on one converted page: the bytes taken as
// text and the holdings table cut out of it.
double time_section_cut(const ByteSet* converted) {
    auto start = clock_type::now();
    OwnedText whole(to_text(TaggedArg::of_byte_set(converted)));
    OwnedText section(text_between(whole.get(), app_text(AppText::section_start),
                                   app_text(AppText::section_end), 0, false));
    return seconds_since(start);
}

Stages staged_run(const std::string& base_url, const std::vector<std::string>& codes) {
    Stages stages;
    g_download_seconds = 0;
    g_downloaded.clear();
    {
        HoldingsCollector collector(base_url.c_str(), &timed_download);
        for (const std::string& code : codes) {
            if (!collector.fetch_fund(code.c_str())) continue;
            auto start = clock_type::now();
            collector.parse_rows();
            stages.extraction += seconds_since(start);
        }
        auto start = clock_type::now();
        std::lock_guard lock(result_list_lock());
        collector.merge_into(result_list());
        stages.merge = seconds_since(start);
        start = clock_type::now();
        sort_by_ratio(result_list(), 1, record_count(result_list()));
        stages.sort = seconds_since(start);
        stages.rows = record_count(result_list());
    }
    auto start = clock_type::now();
    show_results();
    stages.display = seconds_since(start);

    // fetch_fund converts and cuts each page itself, in one call; the same
    // conversion and cut are timed here on the same pages.
    for (const std::string& page : g_downloaded) {
        OwnedBytes bytes(make_byte_set(page));
        auto begin = clock_type::now();
        OwnedBytes converted(convert_page_charset(bytes.get()));
        stages.conversion += seconds_since(begin);
        stages.extraction += time_section_cut(converted.get());
    }
    stages.download = g_download_seconds;
    return stages;
}

// Wall time of one qinghe-analyse process over the codes; -1 when it
// could not be started or failed.
double process_run(const std::string& base_url, const std::vector<std::string>& codes) {
    std::vector<std::string> words = {QINGHE_ANALYSE_PATH};
    for (const HostRow& host : host_table())
        words.insert(words.end(), {"--url", host.name + "=" + base_url});
    words.insert(words.end(), codes.begin(), codes.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto start = clock_type::now();
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds = seconds_since(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

void print_stage(const char* name, double seconds, double total) {
    std::printf("  %-34s %9.1f ms  %5.1f %%\n", name, seconds * 1e3, 100 * seconds / total);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    register_component_types();
    initialise_runtime();
    std::fesetenv(FE_DFL_ENV);
    initialise_program_state();

    // Start-up made the bench's folder current; the settings and the
    // section dump go to a folder of their own instead.
    fs::path folder = fs::temp_directory_path() / ("qinghe-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);

    Pages pages = fund_pages();
    size_t served_bytes = 0;
    for (const auto& [path, body] : pages.served) served_bytes += body.size();
    qinghe::testing::LoopbackServer server(pages.served);
    std::ofstream(folder / platform::utf8_from_gbk(resources::config_file_name()), std::ios::binary)
        << platform::gbk_from_utf8("[设置]\r\n" +
                                   testing_support::every_host_at(server.base_url()));

    if (load_window(resources::window_id::main, nullptr, false) != 0) {
        std::fprintf(stderr, "bench_analysis_run: the main window could not be loaded\n");
        return 1;
    }
    std::string typed;
    for (const std::string& code : pages.codes) typed += (typed.empty() ? "" : "\r\n") + code;

    std::vector<double> window_times;
    for (int i = 0; i < kRuns; ++i) window_times.push_back(window_run(typed));

    std::vector<Stages> staged;
    for (int i = 0; i < kRuns; ++i) staged.push_back(staged_run(server.base_url(), pages.codes));
    std::sort(staged.begin(), staged.end(),
              [](const Stages& a, const Stages& b) { return a.total() < b.total(); });
    const Stages& s = staged[staged.size() / 2];

    std::vector<double> process_times;
    for (int i = 0; i < kRuns; ++i) {
        double t = process_run(server.base_url(), pages.codes);
        if (t >= 0) process_times.push_back(t);
    }

    std::printf("analysis run: %zu generated pages, %.1f MB served on loopback, %d merged rows\n",
                pages.codes.size(), double(served_bytes) / 1e6, s.rows);
    std::printf("  %-34s %9.1f ms  (median of %d)\n", "window run, typed codes to list box",
                median(window_times) * 1e3, kRuns);
    std::printf("stage by stage (median run of %d):\n", kRuns);
    const double total = s.total();
    print_stage("download (download_page)", s.download, total);
    print_stage("conversion (convert_page_charset)", s.conversion, total);
    print_stage("cutting (section cut, parse_rows)", s.extraction, total);
    print_stage("merge (merge_into)", s.merge, total);
    print_stage("sort (sort_by_ratio)", s.sort, total);
    print_stage("display (show_results)", s.display, total);
    print_stage("total", total, total);
    if (process_times.empty()) std::printf("  %-34s failed\n", "qinghe-analyse process");
    else
        std::printf("  %-34s %9.1f ms  (median of %zu)\n", "qinghe-analyse process, wall",
                    median(process_times) * 1e3, process_times.size());

    reset_form_engine();
    release_program_state(0);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return 0;
}
