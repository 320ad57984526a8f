// The command line of qinghe-analyse: options, codes and the amounts of
// money weighting (CODE=AMOUNT), checked before anything is fetched.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analysis/code_line.h"
#include "analysis/host_table.h"
#include "analysis/output/analysis_output.h"
#include "analysis/sources/source_kind.h"
#include "net/http_settings.h"
#include "net/parallel_downloads.h"

namespace qinghe::app {

struct AnalyseOptions {
    // The hosts' base URLs given (--url NAME=BASE, --base-url, --archive-url,
    // --mobile-url), in order; the others are the desktop program's settings.
    std::vector<std::pair<Host, std::string>> urls;
    std::vector<SourceKind> sources;  // empty: the setting 持仓来源
    std::string check;                // --check CODE: every source asked for CODE
    SortKey sort = SortKey::ratio;
    OutputFormat format = OutputFormat::tsv;
    std::string output;                      // empty: standard output
    int parallel = net::parallel::kDefault;  // pages downloaded at once
    int timeout_seconds = 0;                 // whole-transfer limit; 0: the desktop's setting
    bool overlap = false;                    // the funds' overlap matrix instead of the list
    std::vector<std::string> codes;          // UTF-8 as typed, amounts cut off
    std::vector<double> amounts;             // one per code, or none
    bool offline = false;                    // every code from the history, no request
    bool history = false;                    // list the history instead of analysing
    bool today = false;                      // today's estimates instead of the list
    bool accuracy = false;  // list the stored estimates beside the published changes
};

// Parses the arguments after the program name; every value is checked.
// On bad usage returns false and sets `error` to one line naming the
// argument at fault and what is allowed (empty when no argument was given:
// the usage text says it).
bool parse_analyse_options(const std::vector<std::string>& args, AnalyseOptions& options,
                           std::string& error);

}  // namespace qinghe::app
