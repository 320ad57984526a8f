// Times find_text, find_text_reverse and split_text on a 300 KB GBK text
// built from a generated fund page, and prints MB/s for each. A search that
// finds its text early reads only part of it: its MB/s count the whole text.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "commands/text_commands.h"
#include "platform/gbk_bytes.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"

namespace {

using namespace qinghe;

constexpr size_t kTextSize = 300 * 1024;

std::string page_text() {
    std::ifstream in(QINGHE_GENERATED_PAGES_DIR "/701001.html", std::ios::binary);
    std::ostringstream utf8;
    utf8 << in.rdbuf();
    std::string gbk = platform::gbk_from_utf8(utf8.str());
    std::string text;
    if (gbk.empty()) return text;
    while (text.size() < kTextSize) text += gbk;
    text.resize(kTextSize);
    // Cutting may leave a lone first byte at the end; the commands cope, but keep it clean.
    while (!text.empty() && gbk::opens_pair_in_text_commands(text.back())) text.pop_back();
    return text;
}

template <typename Body>
void time_it(const char* name, size_t bytes_per_run, Body body) {
    using clock = std::chrono::steady_clock;
    int runs = 0;
    auto start = clock::now();
    double seconds = 0;
    do {
        body();
        ++runs;
        seconds = std::chrono::duration<double>(clock::now() - start).count();
    } while (seconds < 1.0);
    double mb = double(bytes_per_run) * runs / (1024.0 * 1024.0);
    std::printf("%-40s %6d runs  %8.1f MB/s\n", name, runs, mb / seconds);
}

int32_t search(void (*command)(TaggedArg*, int32_t, TaggedArg*), const std::string& text,
               const char* sought, bool ignore_case) {
    TaggedArg args[] = {TaggedArg::of_text(text.c_str()), TaggedArg::of_text(sought), TaggedArg{},
                        TaggedArg::of_bool(ignore_case)};
    TaggedArg result;
    command(&result, 4, args);
    return result.as_int();
}

void split(const std::string& text, const char* separator) {
    TaggedArg args[] = {TaggedArg::of_text(text.c_str()), TaggedArg::of_text(separator)};
    TaggedArg result;
    split_text(&result, 2, args);
    ArrayBlock* array = result.array();
    for (int32_t i = 0; i < array->sizes()[0]; ++i) mem_free(array->pointer_at(i));
    mem_free(array);
}

}  // namespace

int main() {
    const std::string text = page_text();
    if (text.empty()) {
        std::fprintf(stderr, "cannot read the fund page fixture\n");
        return 1;
    }
    const std::string absent = platform::gbk_from_utf8("不存在的文字");
    std::printf("text: %zu bytes of GBK page text\n", text.size());
    volatile int32_t sink = 0;
    time_it("find_text (absent, exact)", text.size(),
            [&] { sink = search(find_text, text, absent.c_str(), false); });
    time_it("find_text (absent, ignore case)", text.size(),
            [&] { sink = search(find_text, text, "</nosuchtag>", true); });
    time_it("find_text_reverse (whole text)", text.size(),
            [&] { sink = search(find_text_reverse, text, "<tr", false); });
    time_it("find_text_reverse (absent, exact)", text.size(),
            [&] { sink = search(find_text_reverse, text, absent.c_str(), false); });
    time_it("find_text_reverse (absent, ignore case)", text.size(),
            [&] { sink = search(find_text_reverse, text, "</nosuchtag>", true); });
    time_it("split_text (\"\\n\")", text.size(), [&] { split(text, "\n"); });
    time_it("split_text (\"<td\")", text.size(), [&] { split(text, "<td"); });
    (void)sink;
    return 0;
}
