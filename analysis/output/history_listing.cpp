#include "analysis/output/history_listing.h"

#include <nlohmann/json.hpp>

#include "analysis/decimal_numbers.h"
#include "analysis/output/table_text.h"

namespace qinghe::app {
namespace {

using Json = nlohmann::ordered_json;

Json text_or_null(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

Json row_json(const StoredRow& row) {
    return {{"name", row.stock_name},
            {"ratio", decimal_ratio(row.ratio)},
            {"link", text_or_null(row.link)},
            {"change", row.change ? Json(*row.change) : Json(nullptr)},
            {"change_points", row.change_points ? Json(*row.change_points) : Json(nullptr)}};
}

Json report_json(const StoredReport& report) {
    Json rows = Json::array(), exited = Json::array();
    for (const StoredRow& row : report.rows) rows.push_back(row_json(row));
    for (const StoredRow& row : report.exited)
        exited.push_back({{"name", row.stock_name}, {"ratio", decimal_ratio(row.ratio)}});
    return {{"code", report.code},
            {"name", text_or_null(report.fund_name)},
            {"report_date", report.report_date},
            {"source", report.source},
            {"read_at", report.read_at},
            {"rows", rows},
            {"exited", exited}};
}

// Texts from the file are written whatever they hold: bytes that are not
// UTF-8 become U+FFFD.
std::string dump(const Json& document) {
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string reports_listing(const std::vector<StoredReport>& reports, OutputFormat format) {
    if (format == OutputFormat::json) {
        Json list = Json::array();
        for (const StoredReport& report : reports) list.push_back(report_json(report));
        return dump({{"reports", list}});
    }
    TextTable table;
    for (const StoredReport& r : reports)
        table.push_back(
            {r.code, r.report_date, r.source, r.read_at, std::to_string(r.rows.size())});
    return table_text({"代码", "报告期", "来源", "读取时间", "行数"}, table, format);
}

std::string funds_listing(const std::vector<StoredFund>& funds, OutputFormat format) {
    if (format == OutputFormat::json) {
        Json list = Json::array();
        for (const StoredFund& fund : funds)
            list.push_back({{"code", fund.code},
                            {"name", text_or_null(fund.name)},
                            {"newest_report_date", fund.newest_report_date},
                            {"reports", fund.reports}});
        return dump({{"funds", list}});
    }
    TextTable table;
    for (const StoredFund& f : funds)
        table.push_back({f.code, f.name, f.newest_report_date, std::to_string(f.reports)});
    return table_text({"代码", "基金名称", "最新报告期", "报告数"}, table, format);
}

}  // namespace

std::string history_listing(HistoryStore* store, const std::vector<std::string>& codes,
                            OutputFormat format, std::vector<std::string>& missing) {
    if (codes.empty())
        return funds_listing(store ? store->funds() : std::vector<StoredFund>(), format);
    std::vector<StoredReport> reports;
    for (const std::string& code : codes) {
        std::vector<StoredReport> of_code =
            store ? store->reports(code) : std::vector<StoredReport>();
        if (of_code.empty()) missing.push_back(code);
        for (StoredReport& report : of_code) reports.push_back(std::move(report));
    }
    return reports_listing(reports, format);
}

}  // namespace qinghe::app
