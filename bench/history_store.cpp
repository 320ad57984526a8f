// The history store: the time to store one fund's read (median and 90th
// percentile over every store) while 10,000 funds x 8 quarters of ten rows
// go into a new file, and the file's size on disk afterwards. Stocks come
// from a pool of 5,000, as a market's do; every third row carries a change.
// Then the whole qinghe-analyse process analysing 1,000 stored funds
// offline (its history beside a copy of it), median of 5 runs.
//   bench_history_store [FUNDS [QUARTERS]]   (default 10000 8)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "analysis/history/history_store.h"

extern char** environ;

namespace {

using namespace qinghe::app;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kStocks = 5000;

std::string stock_name(int i) {
    static const char* const syllables[] = {"中", "国", "华", "新", "能", "电", "科", "技",
                                            "医", "药", "银", "行", "安", "达", "通", "信"};
    std::string name;
    for (int k = 0, n = i; k < 4; ++k, n /= 16) name += syllables[n % 16];
    return name;
}

std::string quarter_end(int quarter) {
    static const char* const ends[] = {"03-31", "06-30", "09-30", "12-31"};
    return std::to_string(2024 + quarter / 4) + "-" + ends[quarter % 4];
}

StoredReport fund_read(int fund, int quarter, std::mt19937& random) {
    char code[16];
    std::snprintf(code, sizeof code, "%06d", 100000 + fund);
    StoredReport report{
        code, quarter_end(quarter), "archive", "测试基金" + std::string(code), "", {}, {}};
    std::uniform_int_distribution<int> stock(0, kStocks - 1), hundredths(50, 1000);
    for (int row = 0; row < 10; ++row) {
        const int s = stock(random);
        StoredRow r{stock_name(s), float(hundredths(random)) / 100,
                    "https://quote.fund.test/unify/r/1." + std::to_string(600000 + s), std::nullopt,
                    std::nullopt};
        if (row % 3 == 0) {
            r.change = "增持";
            r.change_points = 0.42;
        }
        report.rows.push_back(std::move(r));
    }
    return report;
}

uintmax_t size_on_disk(const std::string& path) {
    uintmax_t total = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        struct stat info {};
        if (::stat((path + suffix).c_str(), &info) == 0) total += uintmax_t(info.st_blocks) * 512;
    }
    return total;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds of one whole run of `argv`, standard output and error dropped.
double run_seconds(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = -1;
    int status = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void offline_run(const std::string& folder) {
    constexpr int kFunds = 1000;
    fs::create_directories(folder);
    const std::string program = folder + "/qinghe-analyse";
    fs::copy_file(QINGHE_ANALYSE_PATH, program);
    std::mt19937 random(7);
    std::vector<std::string> args = {program, "--offline"};
    {
        HistoryStore store(folder + "/history.sqlite3");
        for (int fund = 0; fund < kFunds; ++fund) {
            const StoredReport report = fund_read(fund, 7, random);
            store.store(report);
            args.push_back(report.code);
        }
    }
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) runs.push_back(run_seconds(args));
    std::printf("qinghe-analyse --offline over %d stored funds, whole process: median %.3f s\n",
                kFunds, median(runs));
}

}  // namespace

int main(int argc, char** argv) {
    const int funds = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int quarters = argc > 2 ? std::atoi(argv[2]) : 8;
    const std::string folder = fs::temp_directory_path() / "qinghe-bench-history";
    fs::remove_all(folder);
    const std::string path = folder + "/history.sqlite3";
    std::mt19937 random(42);
    std::vector<double> times;
    times.reserve(size_t(funds) * size_t(quarters));
    {
        HistoryStore store(path);
        if (!store.on()) {
            std::fprintf(stderr, "history store off: %s\n", store.take_notice().detail.c_str());
            return 1;
        }
        for (int quarter = 0; quarter < quarters; ++quarter) {
            for (int fund = 0; fund < funds; ++fund) {
                const StoredReport report = fund_read(fund, quarter, random);
                const auto start = Clock::now();
                store.store(report);
                times.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("stored %zu fund reads (%d funds x %d quarters, 10 rows each)\n", times.size(),
                funds, quarters);
    std::printf("store one fund's read: median %.3f ms, 90th percentile %.3f ms, max %.1f ms\n",
                times[times.size() / 2], times[times.size() * 9 / 10], times.back());
    std::printf("file on disk after closing: %.1f MB\n", double(size_on_disk(path)) / 1e6);
    fs::remove_all(folder);
    offline_run(folder);
    fs::remove_all(folder);
}
