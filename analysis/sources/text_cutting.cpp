#include "analysis/sources/text_cutting.h"

#include "analysis/core_calls.h"

namespace qinghe::app {

char* text_between(const char* text, const char* start_marker, const char* end_marker,
                   int32_t start, bool ignore_case) {
    int32_t p1 = find_text(text, start_marker, start, ignore_case);
    if (p1 != -1) p1 += text_length(start_marker);
    int32_t p2 = find_text(text, end_marker, p1, ignore_case);
    if (p1 == -1 || p2 == -1) return nullptr;
    return middle_text(text, p1, p2 - p1);
}

char* text_span(const char* text, int32_t first, int32_t last) {
    if (first == -1 || last == -1) return nullptr;
    return middle_text(text, first, last - first + 1);
}

}  // namespace qinghe::app
