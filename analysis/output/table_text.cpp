#include "analysis/output/table_text.h"

namespace qinghe::app {

std::string table_text(const std::vector<std::string>& header, const TextTable& table,
                       OutputFormat format) {
    const bool csv = format == OutputFormat::csv;
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (size_t i = 0; i < cells.size(); ++i)
            out +=
                (i ? (csv ? "," : "\t") : "") + (csv ? csv_field(cells[i]) : tsv_field(cells[i]));
        out += csv ? "\r\n" : "\n";
    };
    if (csv) {
        out = "\xEF\xBB\xBF";
        line(header);
    }
    for (const auto& cells : table) line(cells);
    return out;
}

}  // namespace qinghe::app
