// libFuzzer target: the archive endpoint's answer (the JavaScript wrapper,
// its string escapes, the quarter blocks, headings and tables).
#include <string_view>

#include "analysis/sources/archive_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    qinghe::app::read_archive_answer(body, "https://fundf10.example.com/FundArchivesDatas.aspx");
    return 0;
}
