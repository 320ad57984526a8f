#include "analysis/holding_list.h"

#include <cstring>
#include <string_view>

#include "runtime/memory.h"
#include "runtime/runtime_error.h"

namespace qinghe::app {
namespace {

constexpr int32_t kPointerWidth = int32_t(sizeof(void*));
// Location numbers shown by the runtime error report for a bad index.
constexpr int32_t kRecordArrayLocation = 1500;

char* copy_text(const char* text) { return make_text(text ? std::string_view(text) : ""); }

void check_index(const ArrayBlock* array, int32_t index) {
    if (index < 1) report_runtime_error(4, kRecordArrayLocation, index);
    if (index > record_count(array)) report_runtime_error(1, kRecordArrayLocation, index);
}

void resize(ArrayBlock*& array, int32_t count) {
    size_t bytes = sizeof(ArrayBlock) + sizeof(int32_t) + size_t(count) * kPointerWidth;
    array = static_cast<ArrayBlock*>(mem_realloc(array, bytes));
    array->dimensions = 1;
    array->sizes()[0] = count;
}

}  // namespace

HoldingRecord* new_record() {
    auto record = static_cast<HoldingRecord*>(mem_alloc(sizeof(HoldingRecord)));
    *record = HoldingRecord{};
    return record;
}

HoldingRecord* copy_record(const HoldingRecord& source) {
    HoldingRecord* record = new_record();
    record->stock_name = copy_text(source.stock_name);
    record->ratio = source.ratio;
    record->occurrences = source.occurrences;
    record->link = copy_text(source.link);
    return record;
}

void release_record(HoldingRecord* record) {
    if (!record) return;
    mem_free(record->stock_name);
    mem_free(record->link);
    mem_free(record);
}

ArrayBlock* new_record_array() { return make_array(0, kPointerWidth); }

int32_t record_count(const ArrayBlock* array) { return array ? array->sizes()[0] : 0; }

HoldingRecord* record_at(const ArrayBlock* array, int32_t index) {
    check_index(array, index);
    return static_cast<HoldingRecord*>(array->pointer_at(index - 1));
}

void append_record_copy(ArrayBlock*& array, const HoldingRecord& record) {
    int32_t count = record_count(array);
    resize(array, count + 1);
    array->set_pointer_at(count, copy_record(record));
}

void remove_record(ArrayBlock*& array, int32_t index) {
    check_index(array, index);
    int32_t count = record_count(array);
    release_record(record_at(array, index));
    for (int32_t k = index; k < count; ++k) array->set_pointer_at(k - 1, array->pointer_at(k));
    resize(array, count - 1);
}

void swap_records(ArrayBlock* array, int32_t a, int32_t b) {
    HoldingRecord* first = record_at(array, a);
    HoldingRecord* second = record_at(array, b);
    array->set_pointer_at(a - 1, second);
    array->set_pointer_at(b - 1, first);
}

void place_record(ArrayBlock* array, int32_t index, HoldingRecord* record) {
    check_index(array, index);
    array->set_pointer_at(index - 1, record);
}

void remove_unnamed_records(ArrayBlock*& array) {
    const int32_t count = record_count(array);
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        auto record = static_cast<HoldingRecord*>(array->pointer_at(i));
        if (record->stock_name) array->set_pointer_at(kept++, record);
        else release_record(record);
    }
    if (kept != count) resize(array, kept);
}

void assign_record_array(ArrayBlock*& target, const ArrayBlock* source) {
    if (target == source) return;
    const int32_t count = record_count(source);
    ArrayBlock* copy = new_record_array();
    resize(copy, count);
    for (int32_t i = 0; i < count; ++i)
        copy->set_pointer_at(
            i, copy_record(*static_cast<const HoldingRecord*>(source->pointer_at(i))));
    release_record_array(target);
    target = copy;
}

void release_record_array(ArrayBlock*& array) {
    for (int32_t i = 1; i <= record_count(array); ++i) release_record(record_at(array, i));
    mem_free(array);
    array = nullptr;
}

}  // namespace qinghe::app
