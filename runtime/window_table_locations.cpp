#include "runtime/window_table_locations.h"

namespace qinghe {

std::optional<std::string> WindowTableLocations::window_tag(uint32_t window_id) const {
    const FormWindow* window = table_.find(window_id);
    if (!window || window->units.empty()) return std::nullopt;
    return window->units.front().tag;
}

std::optional<std::string> WindowTableLocations::unit_tag(uint32_t window_id,
                                                          uint32_t unit_id) const {
    const FormWindow* window = table_.find(window_id);
    const FormUnit* unit = window ? find_unit(*window, unit_id) : nullptr;
    if (!unit || unit->menu_item()) return std::nullopt;
    return unit->tag;
}

}  // namespace qinghe
