// Times the page's charset conversion on two generated fund pages (about
// 450 KB and 490 KB of UTF-8), median of many runs each:
//   - convert_charset, one direct pass, as the program does;
//   - the same four passes done the way they were before the direct engine:
//     iconv through UTF-32 with a descriptor opened per call;
//   - one plain iconv call UTF-8 -> GBK on a descriptor kept open (what iconv
//     alone can do at best, without the stream's passes);
//   - the whole of one fund: fetch_fund (conversion, section cut, dump file)
//     and parse_rows, with the page served from memory;
// and the peak memory of converting a 16 MiB page.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <malloc.h>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/sources/charset_conversion.h"
#include "analysis/holdings_collector.h"
#include "platform/heap_policy.h"
#include "program_resources.h"
#include "runtime/dll_commands.h"
#include "runtime/memory.h"

namespace {

using namespace qinghe;
using Clock = std::chrono::steady_clock;

std::string read_page(const char* code) {
    std::ifstream in(std::string(QINGHE_GENERATED_PAGES_DIR "/") + code + ".html",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

double thread_cpu_ms() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Median wall time and median CPU time of the thread, in milliseconds: on a
// shared machine the wall time also holds the waits for a processor.
struct Median {
    double wall, cpu;
};

template <typename F>
Median median_ms(F&& run, int runs) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        const double cpu_start = thread_cpu_ms();
        run();
        cpu.push_back(thread_cpu_ms() - cpu_start);
        wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// One pass as the stream did it before: decode to UTF-32 and encode from
// it, a descriptor opened and closed for each.
std::string iconv_via_utf32(const std::string& input, const char* from, const char* to) {
    auto run = [](iconv_t cd, const std::string& in, std::string& out, const char* error,
                  size_t skip) {
        const char* src = in.data();
        size_t left = in.size();
        char buffer[4096];
        while (left > 0) {
            char* s = const_cast<char*>(src);
            char* d = buffer;
            size_t room = sizeof buffer;
            size_t r = iconv(cd, &s, &left, &d, &room);
            out.append(buffer, size_t(d - buffer));
            src = s;
            if (r == size_t(-1) && errno != E2BIG) {
                out += error;
                src += std::min(skip, left);
                left -= std::min(skip, left);
            }
        }
    };
    iconv_t decode = iconv_open("UTF-32LE", from);
    std::string utf32, out;
    run(decode, input, utf32, "\xFD\xFF\0\0", 1);
    iconv_close(decode);
    iconv_t encode = iconv_open(to, "UTF-32LE");
    run(encode, utf32, out, "?", 4);
    iconv_close(encode);
    return out;
}

std::string four_iconv_passes(const std::string& page) {
    std::string units = iconv_via_utf32(page, "UTF-8", "UTF-16LE");
    std::string gbk = iconv_via_utf32(units, "UTF-16LE", "GBK");
    units = iconv_via_utf32(gbk, "GBK", "UTF-16LE");
    return iconv_via_utf32(units, "UTF-16LE", "GBK");
}

std::string one_iconv_call(iconv_t cd, const std::string& page) {
    std::string out(page.size(), '\0');
    char* src = const_cast<char*>(page.data());
    size_t left = page.size();
    char* dst = out.data();
    size_t room = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &src, &left, &dst, &room);
    out.resize(out.size() - room);
    return out;
}

long status_kb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
    return 0;
}

// Peak memory of one conversion of a 16 MiB page (the body cap), in copies
// of the page beyond the input; run first, while the peak is still low.
// Freed heap memory is given back first: resident but free, it would be
// reused by the conversion and hide part of its peak. The copies that must
// live at once: the input and the output block (taken at the most the text
// can take and given back to its size: pages never written cost nothing).
void bench_peak_memory() {
    const std::string one = read_page("702001");
    std::string page;
    while (page.size() < (16u << 20)) page += one;
    page.resize(16u << 20);
    ByteSet* input = make_byte_set(page);
    page = std::string();
    // The GBK tables and the code are paged in once per process, not per
    // page: a small conversion first keeps them out of the figure.
    ByteSet* small = make_byte_set(one);
    mem_free(convert_charset(small, "utf-8", "gb2312"));
    mem_free(small);
    malloc_trim(0);
    const long before = status_kb("VmRSS:");
    ByteSet* out = convert_charset(input, "utf-8", "gb2312");
    const long peak = status_kb("VmHWM:");
    std::printf(
        "16 MiB page: resident %ld MB before, peak %ld MB during the conversion: %.2f copies of "
        "the "
        "page beside the input\n",
        before / 1024, peak / 1024, double(peak - before) / (16 << 10));
    mem_free(out);
    mem_free(input);
}

const std::string* g_served = nullptr;
ByteSet* serve_page(const char*) { return make_byte_set(*g_served); }

void bench_page(const char* code, int runs) {
    const std::string page = read_page(code);
    ByteSet* input = make_byte_set(page);
    size_t out_size = 0;
    const Median engine = median_ms(
        [&] {
            ByteSet* out = convert_charset(input, "utf-8", "gb2312");
            out_size = size_t(byte_set_size(out));
            mem_free(out);
        },
        runs);
    const Median before = median_ms([&] { four_iconv_passes(page); }, std::max(5, runs / 20));
    iconv_t cd = iconv_open("GBK", "UTF-8");
    const Median plain = median_ms([&] { one_iconv_call(cd, page); }, runs);
    iconv_close(cd);
    g_served = &page;
    app::HoldingsCollector collector("http://fund.test/", serve_page);
    const Median fund = median_ms(
        [&] {
            collector.fetch_fund(code);
            collector.parse_rows();
        },
        runs);
    std::printf("page %s: %zu bytes UTF-8 -> %zu bytes GBK; medians, wall (CPU):\n", code,
                page.size(), out_size);
    auto line = [](const char* what, Median m) {
        std::printf("  %-58s %7.2f ms (%5.2f ms)", what, m.wall, m.cpu);
    };
    line("four passes through iconv via UTF-32 (the engine before)", before);
    std::printf("\n");
    line("one plain iconv call UTF-8 -> GBK, descriptor kept", plain);
    std::printf("\n");
    line("convert_charset: one direct pass", engine);
    std::printf("  %.1f x faster than before; %.2f x the time of one iconv call\n",
                before.wall / engine.wall, engine.wall / plain.wall);
    line("one fund: conversion + section cut + rows", fund);
    std::printf("  goal <= 2 ms\n");
    mem_free(input);
}

}  // namespace

int main() {
    const ProgramHeader& program = resources::program_header;
    set_dll_command_tables(program.dll_command_count, program.dll_file_names,
                           program.dll_exported_names);
    platform::keep_freed_memory_for_reuse();  // as the program does at start
    // fetch_fund writes its dump file into the current directory; on tmpfs
    // when there is one: on ext4, truncating the dump before each write
    // flushes it and costs 2-3 ms of waiting per fund (measured with strace).
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                           ? "/dev/shm"
                                           : std::filesystem::temp_directory_path();
    const auto directory = base / "qinghe-bench-charset";
    std::filesystem::create_directories(directory);
    std::filesystem::current_path(directory);
    bench_peak_memory();
    for (const char* code : {"701001", "702001"}) bench_page(code, 200);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(directory);
    release_dll_commands();
    return 0;
}
