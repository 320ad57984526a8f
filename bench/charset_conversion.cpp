// Times convert_charset on a 300 KB UTF-8 page cut from a generated fund page,
// and prints milliseconds per conversion and MB/s.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/charset_conversion.h"
#include "runtime/dll_commands.h"
#include "runtime/memory.h"

namespace {

using namespace qinghe;

constexpr size_t kPageSize = 300 * 1024;

std::string page() {
    std::ifstream in(QINGHE_GENERATED_PAGES_DIR "/702001.html", std::ios::binary);
    std::ostringstream utf8;
    utf8 << in.rdbuf();
    std::string whole = utf8.str();
    if (whole.size() <= kPageSize) return whole;
    // Cut before a tag so no UTF-8 sequence is split.
    size_t cut = whole.rfind('<', kPageSize);
    return whole.substr(0, cut == std::string::npos ? kPageSize : cut);
}

}  // namespace

int main() {
    static const char* const files[] = {"kernel32.dll", "kernel32.dll", "ole32.dll", "ole32.dll"};
    static const char* const exports[] = {"CreateThread", "CloseHandle", "CoInitialize",
                                          "CoUninitialize"};
    set_dll_command_tables(4, files, exports);

    std::string text = page();
    ByteSet* input = make_byte_set(text);
    using clock = std::chrono::steady_clock;
    int runs = 0;
    size_t output_size = 0;
    auto start = clock::now();
    double seconds = 0;
    do {
        ByteSet* out = convert_charset(input, "utf-8", "gb2312");
        output_size = size_t(byte_set_size(out));
        mem_free(out);
        ++runs;
        seconds = std::chrono::duration<double>(clock::now() - start).count();
    } while (seconds < 1.0 || runs < 5);
    double per_run = seconds / runs;
    std::printf("convert_charset utf-8 -> gb2312: %zu bytes in, %zu out, %.2f ms per page, %.1f MB/s (%d runs)\n",
                text.size(), output_size, per_run * 1e3, double(text.size()) / per_run / 1e6, runs);
    mem_free(input);
    release_dll_commands();
    return 0;
}
