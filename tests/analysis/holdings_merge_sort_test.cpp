#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "analysis/holding_list.h"
#include "analysis/holdings_merge.h"
#include "analysis/holdings_sorting.h"
#include "runtime/memory.h"

namespace qinghe::app {
namespace {

struct Row {
    std::optional<std::string> name;
    float ratio;
    int32_t occurrences;
    std::string link;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* out) {
    *out << (r.name ? *r.name : "(null)") << "|" << r.ratio << "|" << r.occurrences << "|"
         << r.link;
}

ArrayBlock* array_of(const std::vector<Row>& rows) {
    ArrayBlock* list = new_record_array();
    for (const Row& row : rows) {
        std::string name = row.name.value_or("");
        HoldingRecord r{name.data(), row.ratio, row.occurrences,
                        const_cast<char*>(row.link.c_str())};
        append_record_copy(list, r);
        if (!row.name) {  // a record whose name was taken away
            HoldingRecord* added = record_at(list, record_count(list));
            mem_free(added->stock_name);
            added->stock_name = nullptr;
        }
    }
    return list;
}

std::vector<Row> rows_of(const ArrayBlock* list) {
    std::vector<Row> rows;
    for (int32_t i = 1; i <= record_count(list); ++i) {
        const HoldingRecord* r = record_at(list, i);
        rows.push_back({r->stock_name ? std::optional<std::string>(r->stock_name) : std::nullopt,
                        r->ratio, r->occurrences, r->link ? r->link : ""});
    }
    return rows;
}

// The pairwise merge the collector used before: each named record takes in
// every later record of the same name, in order; then the taken ones go.
std::vector<Row> pairwise_merge(std::vector<Row> rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].name) continue;
        for (size_t j = i + 1; j < rows.size(); ++j) {
            if (!rows[j].name || *rows[j].name != *rows[i].name) continue;
            rows[j].name.reset();
            rows[i].ratio = float(rows[i].ratio + rows[j].ratio);
            rows[i].occurrences += 1;
        }
    }
    std::erase_if(rows, [](const Row& r) { return !r.name; });
    return rows;
}

std::vector<Row> random_rows(std::mt19937& random, size_t count, int distinct_names) {
    std::uniform_int_distribution<int> name(0, distinct_names - 1), hundredths(0, 2000),
        missing(0, 49);
    std::vector<Row> rows;
    for (size_t i = 0; i < count; ++i) {
        std::optional<std::string> n = "stock " + std::to_string(name(random));
        if (missing(random) == 0) n = std::nullopt;  // the runtime's empty text is null too
        rows.push_back({n, float(hundredths(random)) / 100, 1 + int32_t(i % 3),
                        "http://s.test/" + std::to_string(i)});
    }
    return rows;
}

TEST(MergeByStockName, GivesWhatThePairwiseMergeGaveOnRandomHoldings) {
    std::mt19937 random(12);
    for (int round = 0; round < 60; ++round) {
        const size_t count = size_t(round * 7);
        const std::vector<Row> rows = random_rows(random, count, 1 + round % 25);
        ArrayBlock* list = array_of(rows);
        merge_by_stock_name(list);
        // Equality of rows compares the float sums exactly, bit for bit.
        EXPECT_EQ(rows_of(list), pairwise_merge(rows)) << "round " << round;
        release_record_array(list);
    }
}

TEST(MergeByStockName, SumsInTheOrderOfAppearance) {
    // 1e8 + 1 + 1 rounds differently from 1 + 1 + 1e8 in float.
    ArrayBlock* list =
        array_of({{"A", 1e8f, 1, "a"}, {"B", 1, 1, "b"}, {"A", 1, 1, "c"}, {"A", 1, 1, "d"}});
    merge_by_stock_name(list);
    EXPECT_EQ(rows_of(list),
              (std::vector<Row>{{"A", float(float(1e8f + 1) + 1), 3, "a"}, {"B", 1, 1, "b"}}));
    release_record_array(list);
}

std::vector<Row> sorted(std::vector<Row> rows, bool by_ratio) {
    std::stable_sort(rows.begin(), rows.end(), [by_ratio](const Row& a, const Row& b) {
        return by_ratio ? a.ratio > b.ratio : a.occurrences > b.occurrences;
    });
    return rows;
}

TEST(HoldingsSortingStable, EqualKeysKeepTheirOrderAndSortingTwiceChangesNothing) {
    std::mt19937 random(7);
    for (bool by_ratio : {true, false}) {
        for (int distinct : {1, 3, 50}) {
            std::vector<Row> rows = random_rows(random, 500, 1000);
            std::uniform_int_distribution<int> key(0, distinct - 1);
            for (Row& r : rows) {
                r.name = r.name.value_or("x");
                r.ratio = float(key(random));
                r.occurrences = key(random);
            }
            ArrayBlock* list = array_of(rows);
            auto sort = by_ratio ? sort_by_ratio : sort_by_occurrences;
            sort(list, 1, record_count(list));
            const std::vector<Row> once = rows_of(list);
            EXPECT_EQ(once, sorted(rows, by_ratio)) << by_ratio << " " << distinct;
            sort(list, 1, record_count(list));
            EXPECT_EQ(rows_of(list), once);
            release_record_array(list);
        }
    }
}

TEST(HoldingsSortingStable, SortsOnlyTheGivenRangeAndNotANumberGoesLast) {
    ArrayBlock* list = array_of(
        {{"a", 1, 1, ""}, {"b", NAN, 1, ""}, {"c", 3, 1, ""}, {"d", 2, 1, ""}, {"e", 9, 1, ""}});
    sort_by_ratio(list, 2, 4);
    std::string order;
    for (const Row& r : rows_of(list)) order += *r.name;
    EXPECT_EQ(order, "acdbe");
    sort_by_ratio(list, 3, 3);
    sort_by_ratio(list, 4, 1);
    release_record_array(list);
}

}  // namespace
}  // namespace qinghe::app
