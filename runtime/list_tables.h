// The two tables a report list box carries in its property block: the
// column table (one record per column) and the initial item table (one
// record per cell, a leading 0 byte starting a new row).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe {

struct ListColumn {
    bool image_on_right = false;
    int32_t image = -1;     // header image index, -1 = none
    int32_t alignment = 0;  // 0 left, 1 centre, 2 right
    int32_t width = 0;
    std::string caption;  // GBK
};

struct ListCell {
    bool continues_row = false;  // false: the first cell of a new row
    int32_t image = -1;
    int32_t state_image = -1;
    int32_t indent = 0;
    uint32_t row_tag = 0;
    std::string text;
    std::string tip;
};

// None when a record is cut short.
std::optional<std::vector<ListColumn>> decode_column_table(std::string_view bytes);
std::optional<std::vector<ListCell>> decode_item_table(std::string_view bytes);
std::string encode_column_table(const std::vector<ListColumn>& columns);
std::string encode_item_table(const std::vector<ListCell>& cells);

}  // namespace qinghe
