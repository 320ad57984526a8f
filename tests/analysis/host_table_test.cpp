// The table of the hosts the program asks.
#include <gtest/gtest.h>

#include <iterator>
#include <set>

#include "analysis/host_table.h"
#include "support/every_host.h"

namespace qinghe::app {
namespace {

// Every row has its own name and key and a base URL of its own; the tests'
// helper that points every host at their server knows every key, so a new
// row cannot be left at its default by a test, the demo or a benchmark.
TEST(HostTable, RowsAreWholeAndTestsKnowEveryKey) {
    const std::vector<HostRow>& rows = host_table();
    ASSERT_EQ(rows.size(), kHostCount);
    ASSERT_EQ(std::size(testing_support::kHostKeys), kHostCount);
    std::set<std::string> names, keys;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(size_t(rows[i].host), i);
        EXPECT_EQ(rows[i].key, testing_support::kHostKeys[i]);
        EXPECT_TRUE(is_base_url(rows[i].fallback)) << rows[i].fallback;
        EXPECT_EQ(host_named(rows[i].name), rows[i].host);
        names.insert(rows[i].name);
        keys.insert(rows[i].key);
        EXPECT_EQ(HostBases()[rows[i].host], rows[i].fallback);
    }
    EXPECT_EQ(names.size(), kHostCount);
    EXPECT_EQ(keys.size(), kHostCount);
    EXPECT_EQ(host_named("Quote"), std::nullopt);
    EXPECT_EQ(host_named(""), std::nullopt);
}

}  // namespace
}  // namespace qinghe::app
