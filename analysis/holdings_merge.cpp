#include "analysis/holdings_merge.h"

#include <string_view>
#include <unordered_map>

#include "analysis/holding_list.h"
#include "runtime/memory.h"

namespace qinghe::app {

void merge_by_stock_name(ArrayBlock*& holdings) {
    const int32_t n = record_count(holdings);
    // Keys view the names of the first appearances, which stay.
    std::unordered_map<std::string_view, HoldingRecord*> first_by_name;
    first_by_name.reserve(size_t(n));
    for (int32_t i = 1; i <= n; ++i) {
        HoldingRecord* record = record_at(holdings, i);
        if (!record->stock_name) continue;
        auto [found, inserted] = first_by_name.try_emplace(record->stock_name, record);
        if (inserted) continue;
        HoldingRecord* first = found->second;
        first->ratio = float(first->ratio + record->ratio);
        first->occurrences += 1;
        mem_free(record->stock_name);
        record->stock_name = nullptr;
    }
    remove_unnamed_records(holdings);
}

}  // namespace qinghe::app
