#include "analysis/history/estimate_store.h"

#include <cmath>

#include "analysis/history/history_sql.h"
#include "analysis/sources/report_date.h"

namespace qinghe::app {
namespace {

using namespace history_sql;

constexpr const char* kDaysColumns =
    "SELECT e.trading_day, e.change, e.coverage, e.holdings_date, e.estimated_at, n.change"
    " FROM estimate e LEFT JOIN net_value n ON n.code = e.code AND n.value_date = e.trading_day"
    " WHERE e.code = ?1 ";

// A history of the first schema, opened where it cannot be brought
// forward (read-only), has neither table: it holds no estimate.
bool has_estimates(sqlite3* db) {
    Statement table(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'estimate'");
    return table.step();
}

std::vector<EstimatedDay> days_of(Statement& query, const std::string& code) {
    std::vector<EstimatedDay> days;
    while (query.step()) {
        sqlite3_stmt* d = query.get();
        EstimatedDay day;
        day.estimate = {code,
                        text_column(d, 0),
                        sqlite3_column_double(d, 1),
                        sqlite3_column_double(d, 2),
                        text_column(d, 3),
                        text_column(d, 4)};
        day.published = optional_number(d, 5);
        if (day.published) day.difference = day.estimate.change - *day.published;
        days.push_back(std::move(day));
    }
    return days;
}

std::vector<EstimatedDay> select_days(HistoryStore& store, const std::string& sql,
                                      const std::string& code,
                                      const std::optional<std::string>& before) {
    std::vector<EstimatedDay> days;
    const bool read = store.read([&](sqlite3* db) {
        if (!has_estimates(db)) return;
        Statement query(db, sql.c_str());
        if (before) query.with(code, *before);
        else query.with(code);
        days = days_of(query, code);
    });
    return read ? days : std::vector<EstimatedDay>();
}

}  // namespace

bool store_estimate(HistoryStore& store, const StoredEstimate& estimate) {
    if (!is_report_date(estimate.trading_day) || !std::isfinite(estimate.change) ||
        !std::isfinite(estimate.coverage))
        return false;
    const std::string at = estimate.estimated_at.empty() ? now_iso8601() : estimate.estimated_at;
    return store.write([&](sqlite3* db) {
        Statement(db,
                  "INSERT INTO estimate(code, trading_day, change, coverage, holdings_date,"
                  " estimated_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"
                  " ON CONFLICT(code, trading_day) DO UPDATE SET change = excluded.change,"
                  " coverage = excluded.coverage, holdings_date = excluded.holdings_date,"
                  " estimated_at = excluded.estimated_at")
            .with(estimate.code, estimate.trading_day, estimate.change, estimate.coverage,
                  estimate.holdings_date, at)
            .run();
    });
}

bool store_published_values(HistoryStore& store, const std::string& code,
                            const std::vector<PublishedValue>& values) {
    const std::string at = now_iso8601();
    return store.write([&](sqlite3* db) {
        Statement upsert(db,
                         "INSERT INTO net_value(code, value_date, unit_value, change, read_at)"
                         " VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(code, value_date) DO UPDATE"
                         " SET unit_value = COALESCE(excluded.unit_value, unit_value),"
                         " change = COALESCE(excluded.change, change), read_at = excluded.read_at");
        for (const PublishedValue& value : values)
            upsert.with(code, value.date, value.unit_value, value.change, at).run();
    });
}

std::vector<EstimatedDay> estimated_days(HistoryStore& store, const std::string& code) {
    return select_days(store, std::string(kDaysColumns) + "ORDER BY e.trading_day DESC", code,
                       std::nullopt);
}

std::optional<EstimatedDay> previous_day_estimate(HistoryStore& store, const std::string& code,
                                                  const std::string& today) {
    std::vector<EstimatedDay> days = select_days(
        store,
        std::string(kDaysColumns) + "AND e.trading_day < ?2 ORDER BY e.trading_day DESC LIMIT 1",
        code, today);
    if (days.empty()) return std::nullopt;
    return std::move(days.front());
}

std::optional<double> mean_absolute_difference(const std::vector<EstimatedDay>& days) {
    double sum = 0;
    int count = 0;
    for (const EstimatedDay& day : days)
        if (day.difference) {
            sum += std::fabs(*day.difference);
            ++count;
        }
    if (count == 0) return std::nullopt;
    return sum / count;
}

}  // namespace qinghe::app
