#include "app/holdings_sorting.h"

#include "app/core_calls.h"
#include "app/holding_list.h"

namespace qinghe::app {
namespace {

using Greater = bool (*)(const HoldingRecord&, const HoldingRecord&);

bool ratio_greater(const HoldingRecord& a, const HoldingRecord& b) { return a.ratio > b.ratio; }
bool occurrences_greater(const HoldingRecord& a, const HoldingRecord& b) {
    return a.occurrences > b.occurrences;
}

// Lomuto partition around a random pivot; recursion goes into the smaller
// side first and loops on the larger, so the depth stays logarithmic.
void quicksort(ArrayBlock* list, int32_t lo, int32_t hi, Greater greater) {
    while (lo < hi) {
        swap_records(list, lo, random_number(lo, hi));
        int32_t last = lo;
        for (int32_t i = lo + 1; i <= hi; ++i) {
            if (greater(*record_at(list, i), *record_at(list, lo))) swap_records(list, ++last, i);
        }
        swap_records(list, lo, last);
        if (last - lo < hi - last) {
            quicksort(list, lo, last - 1, greater);
            lo = last + 1;
        } else {
            quicksort(list, last + 1, hi, greater);
            hi = last - 1;
        }
    }
}

}  // namespace

void sort_by_ratio(ArrayBlock* list, int32_t lo, int32_t hi) { quicksort(list, lo, hi, ratio_greater); }

void sort_by_occurrences(ArrayBlock* list, int32_t lo, int32_t hi) {
    quicksort(list, lo, hi, occurrences_greater);
}

}  // namespace qinghe::app
