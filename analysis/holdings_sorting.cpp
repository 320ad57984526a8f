#include "analysis/holdings_sorting.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/holding_list.h"

namespace qinghe::app {
namespace {

// A ratio that is not a number sorts last, so the order stays strict.
float ratio_key(const HoldingRecord* r) { return std::isnan(r->ratio) ? -INFINITY : r->ratio; }

template <typename Greater>
void stable_sort_records(ArrayBlock* list, int32_t lo, int32_t hi, Greater greater) {
    if (lo >= hi) return;
    std::vector<HoldingRecord*> records;
    records.reserve(size_t(hi - lo + 1));
    for (int32_t i = lo; i <= hi; ++i) records.push_back(record_at(list, i));
    std::stable_sort(records.begin(), records.end(), greater);
    for (int32_t i = lo; i <= hi; ++i) place_record(list, i, records[size_t(i - lo)]);
}

}  // namespace

void sort_by_ratio(ArrayBlock* list, int32_t lo, int32_t hi) {
    stable_sort_records(list, lo, hi, [](const HoldingRecord* a, const HoldingRecord* b) {
        return ratio_key(a) > ratio_key(b);
    });
}

void sort_by_occurrences(ArrayBlock* list, int32_t lo, int32_t hi) {
    stable_sort_records(list, lo, hi, [](const HoldingRecord* a, const HoldingRecord* b) {
        return a->occurrences > b->occurrences;
    });
}

void sort_by_money(ArrayBlock* list, int32_t lo, int32_t hi,
                   const std::unordered_map<std::string, double>& money) {
    const auto key = [&money](const HoldingRecord* r) {
        const auto found = money.find(r->stock_name ? r->stock_name : "");
        return found == money.end() || !std::isfinite(found->second) ? -INFINITY : found->second;
    };
    stable_sort_records(list, lo, hi, [&key](const HoldingRecord* a, const HoldingRecord* b) {
        return key(a) > key(b);
    });
}

}  // namespace qinghe::app
