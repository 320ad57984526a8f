// Merging a run's holdings by stock name.
#pragma once

#include "runtime/values.h"

namespace qinghe::app {

// One record per stock name, at the place of the name's first appearance:
// the later records' ratios are added to it in their order (each sum
// rounded to float), its count goes up by one per later record, and the
// later records (and any without a name) are removed. Linear in the number
// of records, through a hash index on the name.
void merge_by_stock_name(ArrayBlock*& holdings);

}  // namespace qinghe::app
