// Sorting a record array in place, largest key first: a randomised
// quicksort whose pivots come from the calling thread's random generator.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe::app {

void sort_by_ratio(ArrayBlock* list, int32_t lo, int32_t hi);
void sort_by_occurrences(ArrayBlock* list, int32_t lo, int32_t hi);

}  // namespace qinghe::app
