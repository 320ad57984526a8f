// qinghe-analyse: the analysis of the desktop program for scripts and for
// people without a desktop. Same collector, same rules, same merge and
// sort; the merged list goes to standard output as UTF-8 lines
//   name<TAB>ratio<TAB>occurrences<TAB>link
// and progress to standard error. Exit status: 0 when every code was
// fetched, 1 when some were not, 2 on bad usage.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_files.h"
#include "app/core_calls.h"
#include "app/holdings_pipeline.h"
#include "app/holdings_sorting.h"
#include "app/link_resolution.h"
#include "app/program_start.h"
#include "platform/text_encoding.h"
#include "runtime/frame.h"
#include "runtime/memory.h"
#include "runtime/runtime_exit.h"

namespace qinghe::app {
namespace {

constexpr const char* kUsage =
    "usage: qinghe-analyse [--base-url URL] [--sort ratio|count] CODE...\n"
    "  Downloads each fund's page, merges the top-ten stock holdings and prints\n"
    "  name<TAB>ratio<TAB>occurrences<TAB>link, one stock a line (UTF-8).\n"
    "  --base-url URL   the fund site, an http or https URL ending in '/'\n"
    "                   (default: the setting of the desktop program)\n"
    "  --sort ratio     largest summed ratio first (default)\n"
    "  --sort count     most appearances first\n";

struct Options {
    std::string base_url;
    bool sort_by_count = false;
    std::vector<std::string> codes;  // UTF-8 as typed
};

bool parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--base-url" && i + 1 < argc) {
            options.base_url = argv[++i];
            if (!is_web_address(options.base_url) || options.base_url.back() != '/') return false;
        } else if (arg == "--sort" && i + 1 < argc) {
            std::string_view key = argv[++i];
            if (key != "ratio" && key != "count") return false;
            options.sort_by_count = key == "count";
        } else if (arg.starts_with("--")) {
            return false;
        } else {
            options.codes.emplace_back(arg);
        }
    }
    return !options.codes.empty();
}

ArrayBlock* code_lines(const std::vector<std::string>& codes) {
    ArrayBlock* lines = make_array(int32_t(codes.size()), int32_t(sizeof(void*)));
    for (size_t i = 0; i < codes.size(); ++i)
        lines->set_pointer_at(int64_t(i), make_text(platform::gbk_from_utf8(codes[i])));
    return lines;
}

void release_lines(ArrayBlock* lines) {
    for (int32_t i = 0; i < lines->sizes()[0]; ++i) mem_free(lines->pointer_at(i));
    mem_free(lines);
}

std::string utf8(const char* gbk) { return gbk ? platform::utf8_from_gbk(gbk) : std::string(); }

// A TSV field: each control character becomes one blank, so that a name
// holding a tab or a line break never splits the record.
std::string tsv_field(const char* gbk) {
    std::string field = utf8(gbk);
    for (char& c : field)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return field;
}

void print_results(const ArrayBlock* list) {
    for (int32_t i = 1; i <= record_count(list); ++i) {
        const HoldingRecord* r = record_at(list, i);
        OwnedText ratio(to_text(TaggedArg::of_float(r->ratio)));
        std::printf("%s\t%s\t%d\t%s\n", tsv_field(r->stock_name).c_str(), tsv_field(ratio.get()).c_str(),
                    r->occurrences, tsv_field(r->link).c_str());
    }
    std::fflush(stdout);
}

const char* reason(FundOutcome outcome) {
    switch (outcome) {
    case FundOutcome::download_failed: return "download failed";
    case FundOutcome::no_holdings: return "no holdings";
    case FundOutcome::not_six_bytes: return "not six bytes";
    case FundOutcome::read: break;
    }
    return "";
}

// Names every code that gave nothing, in argument order; true when none.
bool report_unread(const std::vector<FundReport>& reports) {
    bool all_read = true;
    for (const FundReport& report : reports) {
        if (report.outcome == FundOutcome::read) continue;
        all_read = false;
        std::fprintf(stderr, "qinghe-analyse: no holdings read for '%s' (%s)\n",
                     utf8(report.code.c_str()).c_str(), reason(report.outcome));
    }
    return all_read;
}

int analyse(const Options& options) {
    OwnedText base(options.base_url.empty() ? fund_site_base_url() : make_text(options.base_url));
    HoldingsCollector collector(base.get());
    CodeProgress progress;
    progress.starting = [](const char*, const char* text) {
        std::fprintf(stderr, "%s\n", utf8(text).c_str());
    };
    ArrayBlock* lines = code_lines(options.codes);
    const std::vector<FundReport> reports = collect_holdings(collector, lines, progress);
    release_lines(lines);

    ArrayBlock* result = new_record_array();
    collector.merge_into(result);
    if (options.sort_by_count) sort_by_occurrences(result, 1, record_count(result));
    else sort_by_ratio(result, 1, record_count(result));
    print_results(result);
    release_record_array(result);
    return report_unread(reports) ? 0 : 1;
}

}  // namespace
}  // namespace qinghe::app

int main(int argc, char** argv) {
    using namespace qinghe;
    app::Options options;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(app::kUsage, stdout);
        return 0;
    }
    if (!app::parse_options(argc, argv, options)) {
        std::fputs(app::kUsage, stderr);
        return 2;
    }
    app::initialise_runtime();
    runtime_exit(app::analyse(options));
}
