#include "runtime/runtime_error.h"

#include <cstdio>
#include <cstdlib>

namespace qinghe {

void report_error(const char* message, int32_t code, uint32_t first_id, uint32_t second_id) {
    std::fprintf(stderr, "runtime error %d: %s (%d, %d)\n", code, message ? message : "",
                 int32_t(first_id), int32_t(second_id));
    std::_Exit(-1);
}

void report_runtime_error(int32_t code, int32_t location, int32_t statement) {
    report_error(nullptr, code, uint32_t(location), uint32_t(statement));
}

}  // namespace qinghe
