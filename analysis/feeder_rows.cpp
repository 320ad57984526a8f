#include "analysis/feeder_rows.h"

#include <cmath>

namespace qinghe::app {
namespace {

// The ETF's name as its sources gave it, for a target the answer left unnamed.
std::string etf_name(const FundAnswer& etf) {
    for (const SourceAnswer& asked : etf.asked)
        if (!asked.facts.name.empty()) return asked.facts.name;
    return {};
}

std::vector<SourceRow> scaled_rows(const SourceAnswer& etf, const TargetEtf& target) {
    std::vector<SourceRow> rows;
    for (const SourceRow& row : etf.rows) {
        // In hundredths of a percent, as the site gives every ratio.
        const float ratio = float(std::round(double(row.row.ratio) * *target.share) / 100);
        FundRow scaled{
            .stock_name = row.row.stock_name, .ratio = ratio, .link = row.link, .via = target.code};
        rows.push_back({std::move(scaled), row.link});
    }
    return rows;
}

}  // namespace

void add_etf_rows(FundReport& feeder, const FundAnswer* etf, HoldingsCollector& collector,
                  int32_t first_record) {
    if (!feeder.target_etf) return;
    TargetEtf& target = *feeder.target_etf;
    if (target.name.empty() && etf) target.name = etf_name(*etf);
    const SourceAnswer* answered = etf ? etf->answered() : nullptr;
    if (!target.share) feeder.through_etf = ThroughEtf::share_unknown;
    else if (!answered) feeder.through_etf = ThroughEtf::not_read;
    if (!target.share || !answered) return;
    const std::vector<SourceRow> rows = scaled_rows(*answered, target);
    for (const SourceRow& row : rows) feeder.rows.push_back(row.row);
    collector.add_rows_through(rows, first_record);
    // A feeder listing no stocks of its own is read through its ETF.
    if (feeder.outcome != FundOutcome::read) {
        feeder.outcome = FundOutcome::read;
        feeder.fault.clear();
        feeder.fault_reason.clear();
    }
}

}  // namespace qinghe::app
