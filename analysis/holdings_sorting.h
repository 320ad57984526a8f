// Sorting a record array in place, largest key first. The sort is stable
// (records with equal keys keep their order, so sorting twice changes
// nothing) and O(n log n) however many keys are equal.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "runtime/values.h"

namespace qinghe::app {

void sort_by_ratio(ArrayBlock* list, int32_t lo, int32_t hi);
void sort_by_occurrences(ArrayBlock* list, int32_t lo, int32_t hi);
// By the money in each stock (by stock name, GBK); a stock without a figure
// sorts last.
void sort_by_money(ArrayBlock* list, int32_t lo, int32_t hi,
                   const std::unordered_map<std::string, double>& money);

}  // namespace qinghe::app
