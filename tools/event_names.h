// Readable names of event numbers, for window sources and dumps: the
// common events of every component (negative) and the form window's own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe::tools {

// The number of a named event; window events only apply to window units.
std::optional<int32_t> event_number(std::string_view name, bool window_unit);
// The name of an event, or its decimal number when it has none.
std::string event_name(int32_t event, bool window_unit);

}  // namespace qinghe::tools
