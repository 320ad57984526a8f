// libFuzzer target: a fund page as the page source reads it (the pieces cut
// in its own bytes, only they converted, the title's facts, the section's
// rows), checked against the reading of the whole page converted first,
// which the pieces must give whatever the bytes are.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/analysis_start.h"
#include "analysis/sources/page_source.h"
#include "program_resources.h"
#include "runtime/dll_commands.h"
#include "runtime/frame.h"
#include "support/whole_page_reading.h"

namespace {

using namespace qinghe;
using namespace qinghe::app;

constexpr const char* kCode = "000001";
constexpr const char* kUrl = "https://fund.example.com/000001.html";

bool same_rows(const std::vector<SourceRow>& a, const std::vector<SourceRow>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].row.stock_name != b[i].row.stock_name || a[i].row.ratio != b[i].row.ratio ||
            a[i].link != b[i].link)
            return false;
    }
    return true;
}

void differs(const char* what) {
    std::fprintf(stderr, "page read from its pieces differs from its whole text: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const ProgramHeader& h = resources::program_header;
    set_dll_command_tables(h.dll_command_count, h.dll_file_names, h.dll_exported_names);
    initialise_libraries(analysis_libraries(), kAnalysisLibraryCount);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    static const PageSource source("https://fund.example.com/");
    const SourceAnswer read = source.ask(kCode, [&](const net::Request&) {
        return net::FetchResult{200, page, 0, true, page.size()};
    });
    const SourceAnswer whole = testing_support::whole_page_reading(kCode, page, kUrl);
    if (read.facts.name != whole.facts.name) differs("name");
    if (read.facts.report_date != whole.facts.report_date) differs("report date");
    if (read.section != whole.section) differs("section");
    if (!same_rows(read.rows, whole.rows)) differs("rows");
    return 0;
}
