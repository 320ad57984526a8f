// A table of texts as the listings write it: TSV lines without a header, or
// CSV (UTF-8 with a byte-order mark, a header line, CRLF) for spreadsheets.
#pragma once

#include <string>
#include <vector>

#include "analysis/output/analysis_output.h"

namespace qinghe::app {

using TextTable = std::vector<std::vector<std::string>>;

// `format` tsv or csv.
std::string table_text(const std::vector<std::string>& header, const TextTable& table,
                       OutputFormat format);

}  // namespace qinghe::app
