// The history store: the time to store one fund's read (median and 90th
// percentile over every store) while 10,000 funds x 8 quarters of ten rows
// go into a new file, and the file's size on disk afterwards. Stocks come
// from a pool of 5,000, as a market's do; every third row carries a change.
//   bench_history_store [FUNDS [QUARTERS]]   (default 10000 8)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "analysis/history_store.h"

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
}
