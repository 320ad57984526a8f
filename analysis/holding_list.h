// HoldingRecord and the one-dimensional, 1-based arrays of records the
// application keeps (a run's holdings, the program's result list). An
// array is an ArrayBlock of record pointers; every record and its texts are
// heap blocks owned by the array that holds them.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe::app {

struct HoldingRecord {
    char* stock_name = nullptr;
    float ratio = 0;
    int32_t occurrences = 0;
    char* link = nullptr;
};

HoldingRecord* new_record();
HoldingRecord* copy_record(const HoldingRecord& source);
void release_record(HoldingRecord* record);

// A record array; null is not used: an empty array is a block of 0 elements.
ArrayBlock* new_record_array();
int32_t record_count(const ArrayBlock* array);
// Element `index` (1-based, bounds-checked: a bad index is a runtime error).
HoldingRecord* record_at(const ArrayBlock* array, int32_t index);
// Appends a deep copy of `record`; the array block may move.
void append_record_copy(ArrayBlock*& array, const HoldingRecord& record);
// Removes element `index` (1-based), releasing its record.
void remove_record(ArrayBlock*& array, int32_t index);
void swap_records(ArrayBlock* array, int32_t a, int32_t b);
// Puts `record` at `index` without releasing what was there: for reordering
// records the array already owns.
void place_record(ArrayBlock* array, int32_t index, HoldingRecord* record);
// Releases the records without a stock name and closes the gaps, in one pass.
void remove_unnamed_records(ArrayBlock*& array);
// Assignment: `target` releases its records and becomes a deep copy of `source`.
void assign_record_array(ArrayBlock*& target, const ArrayBlock* source);
// Releases every record and the block itself.
void release_record_array(ArrayBlock*& array);

}  // namespace qinghe::app
