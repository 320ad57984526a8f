// Cutting pieces out of page texts by markers and by positions.
#pragma once

#include <cstdint>

namespace qinghe::app {

// The bytes strictly between the first `start_marker` at or after `start`
// and the first `end_marker` after it; a new text, null when either is
// missing (or when they touch).
char* text_between(const char* text, const char* start_marker, const char* end_marker,
                   int32_t start, bool ignore_case);

// The bytes from 1-based position `first` to `last` inclusive; null when
// either position is -1.
char* text_span(const char* text, int32_t first, int32_t last);

}  // namespace qinghe::app
