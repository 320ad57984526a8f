// The estimates and published changes in the history: the last estimate of
// a day replaces the earlier one, an answer's values are stored whole, and
// both are read back side by side with their difference.
#include <gtest/gtest.h>

#include <cmath>
#include <sqlite3.h>

#include "analysis/history/estimate_store.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

using testing_support::TempDirectory;

StoredEstimate estimate(const std::string& day, double change, const std::string& at = "") {
    return {"160127", day, change, 0.8, "2026-06-30", at};
}

// "day estimate published difference" with "-" for none.
std::string described(const EstimatedDay& day) {
    auto figure = [](const std::optional<double>& x) {
        if (!x) return std::string("-");
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", *x);
        return std::string(text);
    };
    return day.estimate.trading_day + " " + figure(day.estimate.change) + " " +
           figure(day.published) + " " + figure(day.difference);
}

TEST(EstimateStore, LastEstimateOfADayStaysBesideThePublishedChange) {
    TempDirectory dir;
    HistoryStore store(dir.file("history.sqlite3"));
    ASSERT_TRUE(store_estimate(store, estimate("2026-09-28", 0.40)));
    ASSERT_TRUE(store_estimate(store, estimate("2026-09-29", 1.10, "2026-09-29T10:00:00+08:00")));
    ASSERT_TRUE(store_estimate(store, estimate("2026-09-29", -0.70, "2026-09-29T14:59:00+08:00")));
    ASSERT_TRUE(store_estimate(store, estimate("2026-09-30", 0.25)));
    StoredEstimate other = estimate("2026-09-29", 9);
    other.code = "000001";
    ASSERT_TRUE(store_estimate(store, other));
    // Not stored: no trading day, or no figure.
    EXPECT_FALSE(store_estimate(store, estimate("2026-9-30", 1)));
    EXPECT_FALSE(store_estimate(store, estimate("2026-10-01", NAN)));

    // One answer, then a later one without the figure of a day: the figure stays.
    ASSERT_TRUE(store_published_values(
        store, "160127",
        {{"2026-09-29", 1.2345, -0.50}, {"2026-09-28", 1.2407, 0.10}, {"2026-09-25", 1.2, 3}}));
    ASSERT_TRUE(store_published_values(store, "160127", {{"2026-09-28", 1.2407, std::nullopt}}));

    const std::vector<EstimatedDay> days = estimated_days(store, "160127");
    std::vector<std::string> listed;
    for (const EstimatedDay& day : days) listed.push_back(described(day));
    EXPECT_EQ(listed,
              (std::vector<std::string>{"2026-09-30 0.25 - -", "2026-09-29 -0.70 -0.50 -0.20",
                                        "2026-09-28 0.40 0.10 0.30"}));
    EXPECT_EQ(days[1].estimate.estimated_at, "2026-09-29T14:59:00+08:00");
    EXPECT_DOUBLE_EQ(days[1].estimate.coverage, 0.8);
    EXPECT_EQ(days[1].estimate.holdings_date, "2026-06-30");
    EXPECT_NEAR(*mean_absolute_difference(days), 0.25, 1e-12);
    EXPECT_FALSE(mean_absolute_difference({days[0]}));

    // Yesterday's estimate for the day after the newest, and for that day itself.
    EXPECT_EQ(described(*previous_day_estimate(store, "160127", "2026-10-01")),
              "2026-09-30 0.25 - -");
    EXPECT_EQ(described(*previous_day_estimate(store, "160127", "2026-09-30")),
              "2026-09-29 -0.70 -0.50 -0.20");
    EXPECT_FALSE(previous_day_estimate(store, "160127", "2026-09-28"));
    EXPECT_TRUE(estimated_days(store, "999999").empty());
}

// A history of the first schema has no table of estimates: read only, it
// gives none and stays on; opened to write, it gains them.
TEST(EstimateStore, HistoryOfTheFirstSchemaHasNoEstimatesUntilBroughtForward) {
    TempDirectory dir;
    const std::string path = dir.file("history.sqlite3");
    HistoryStore(path).store({"160127", "2026-06-30", "page", "", "", {}, {}});
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db,
                           "DROP TABLE asset_mix; DROP TABLE estimate; DROP TABLE net_value;"
                           " PRAGMA user_version = 1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    HistoryStore reader(path, HistoryAccess::read_only);
    EXPECT_TRUE(estimated_days(reader, "160127").empty());
    EXPECT_FALSE(previous_day_estimate(reader, "160127", "2026-10-01"));
    EXPECT_TRUE(reader.on());
    EXPECT_EQ(reader.take_notice().fault, HistoryFault::none);

    HistoryStore writer(path);
    EXPECT_TRUE(store_estimate(writer, estimate("2026-09-30", 0.25)));
    EXPECT_EQ(estimated_days(writer, "160127").size(), 1u);
}

}  // namespace
}  // namespace qinghe::app
