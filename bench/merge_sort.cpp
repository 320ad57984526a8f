// Times the merge of a run's holdings by stock name and the sort of the
// merged list, on 100,000 records (10,000 funds of 10 rows), with the new
// hash-index merge and stable sort beside the pairwise merge and random-
// pivot quicksort they replaced (re-implemented here; run on fewer records,
// as they are quadratic).
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "analysis/holding_list.h"
#include "analysis/holdings_merge.h"
#include "analysis/holdings_sorting.h"
#include "runtime/memory.h"

namespace {

using namespace qinghe;
using namespace qinghe::app;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// `count` records named from `distinct` names, with ratios in hundredths.
ArrayBlock* holdings(int32_t count, int32_t distinct) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> hundredths(1, 1000);
    ArrayBlock* list = new_record_array();
    for (int32_t i = 0; i < count; ++i) {
        std::string name =
            "stock " +
            std::to_string(distinct == count ? i : int32_t(random() % uint32_t(distinct)));
        std::string link = "http://quote.test/" + std::to_string(i);
        HoldingRecord r{name.data(), float(hundredths(random)) / 100, 1, link.data()};
        append_record_copy(list, r);
    }
    return list;
}

void old_merge(ArrayBlock*& list) {
    int32_t n = record_count(list);
    for (int32_t i = 1; i <= n; ++i) {
        HoldingRecord* first = record_at(list, i);
        if (!first->stock_name) continue;
        for (int32_t j = i + 1; j <= n; ++j) {
            HoldingRecord* other = record_at(list, j);
            if (!other->stock_name || std::string_view(other->stock_name) != first->stock_name)
                continue;
            mem_free(other->stock_name);
            other->stock_name = nullptr;
            first->ratio = float(first->ratio + other->ratio);
            first->occurrences += 1;
        }
    }
    for (int32_t k = n; k >= 1; --k)
        if (!record_at(list, k)->stock_name) remove_record(list, k);
}

template <typename Greater>
void old_quicksort(ArrayBlock* list, int32_t lo, int32_t hi, Greater greater,
                   std::mt19937& random) {
    while (lo < hi) {
        swap_records(list, lo, lo + int32_t(random() % uint32_t(hi - lo + 1)));
        int32_t last = lo;
        for (int32_t i = lo + 1; i <= hi; ++i)
            if (greater(*record_at(list, i), *record_at(list, lo))) swap_records(list, ++last, i);
        swap_records(list, lo, last);
        if (last - lo < hi - last) {
            old_quicksort(list, lo, last - 1, greater, random);
            lo = last + 1;
        } else {
            old_quicksort(list, last + 1, hi, greater, random);
            hi = last - 1;
        }
    }
}

struct Times {
    double merge, sort_ratio, sort_count;
    int32_t merged;
};

Times time_new(int32_t count, int32_t distinct) {
    ArrayBlock* list = holdings(count, distinct);
    Times t{};
    auto start = Clock::now();
    merge_by_stock_name(list);
    t.merge = seconds_since(start);
    t.merged = record_count(list);
    start = Clock::now();
    sort_by_ratio(list, 1, record_count(list));
    t.sort_ratio = seconds_since(start);
    start = Clock::now();
    sort_by_occurrences(list, 1, record_count(list));
    t.sort_count = seconds_since(start);
    release_record_array(list);
    return t;
}

Times time_old(int32_t count, int32_t distinct) {
    ArrayBlock* list = holdings(count, distinct);
    std::mt19937 random(1);
    Times t{};
    auto start = Clock::now();
    old_merge(list);
    t.merge = seconds_since(start);
    t.merged = record_count(list);
    start = Clock::now();
    old_quicksort(
        list, 1, record_count(list),
        [](const HoldingRecord& a, const HoldingRecord& b) { return a.ratio > b.ratio; }, random);
    t.sort_ratio = seconds_since(start);
    start = Clock::now();
    old_quicksort(
        list, 1, record_count(list),
        [](const HoldingRecord& a, const HoldingRecord& b) {
            return a.occurrences > b.occurrences;
        },
        random);
    t.sort_count = seconds_since(start);
    release_record_array(list);
    return t;
}

void print(const char* which, int32_t count, int32_t distinct, const Times& t) {
    std::printf(
        "  %-30s %7d records, %7d names -> %7d rows: merge %9.1f ms, sort by ratio %8.1f ms, "
        "sort by count %8.1f ms, merge + sort %9.1f ms\n",
        which, count, distinct, t.merged, t.merge * 1e3, t.sort_ratio * 1e3, t.sort_count * 1e3,
        (t.merge + t.sort_ratio) * 1e3);
}

}  // namespace

int main() {
    std::printf("merge and sort (goal: merge + sort of 100,000 records <= 200 ms)\n");
    print("hash merge, stable sort", 100000, 100000, time_new(100000, 100000));
    print("hash merge, stable sort", 100000, 1000, time_new(100000, 1000));
    for (int32_t n : {5000, 10000, 20000}) {
        print("old pairwise merge, quicksort", n, n, time_old(n, n));
        print("hash merge, stable sort", n, n, time_new(n, n));
    }
    return 0;
}
