// Runtime errors: the one fatal report of the program. It composes the
// error text, shows it through the current presenter and ends the process
// with exit code -1. It never returns.
#pragma once

#include <cstdint>

namespace qinghe {

// The general report: message (GBK, may be null or empty), error code
// (0 = none), and the location as two ids (a window and a unit id, or
// two plain numbers).
[[noreturn]] void report_error(const char* message, int32_t code, uint32_t first_id,
                               uint32_t second_id);

// The application's entry: the table message of `code` at a location and
// statement number.
[[noreturn]] void report_runtime_error(int32_t code, int32_t location, int32_t statement);

}  // namespace qinghe
