// Answers the runtime error report's location questions from a window
// table: the tag of a window's own unit, and the tag of one of its units.
// The runtime object installs one over the table it owns, once the window
// resource is loaded:
//
//     static WindowTableLocations locations(table);
//     set_error_location_source(&locations);
#pragma once

#include "runtime/form_resource.h"
#include "runtime/runtime_error.h"

namespace qinghe {

class WindowTableLocations : public ErrorLocationSource {
public:
    explicit WindowTableLocations(const WindowTable& table) : table_(table) {}

    std::optional<std::string> window_tag(uint32_t window_id) const override;
    std::optional<std::string> unit_tag(uint32_t window_id, uint32_t unit_id) const override;

private:
    const WindowTable& table_;
};

}  // namespace qinghe
