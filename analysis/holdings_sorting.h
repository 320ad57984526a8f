// Sorting a record array in place, largest key first. The sort is stable
// (records with equal keys keep their order, so sorting twice changes
// nothing) and O(n log n) however many keys are equal.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe::app {

void sort_by_ratio(ArrayBlock* list, int32_t lo, int32_t hi);
void sort_by_occurrences(ArrayBlock* list, int32_t lo, int32_t hi);

}  // namespace qinghe::app
