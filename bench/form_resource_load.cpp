// Reading the program's window resource: parse and relocate the real block,
// then decode every property block, as runtime initialisation and window
// loading do. Prints microseconds per pass.
#include <chrono>
#include <cstdio>

#include "program_resources.h"
#include "runtime/form_resource.h"
#include "runtime/property_block.h"

namespace {

qinghe::HandlerResult nothing(const uint32_t*, int32_t) { return {}; }

}  // namespace

int main() {
    using namespace qinghe;
    std::vector<EventHandler> handlers(resources::handler_count, nothing);
    constexpr int kPasses = 20000;
    size_t units = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPasses; ++i) {
        WindowTable table;
        if (!load_form_resources(resources::form_resource, resources::form_resource_size,
                                 handlers.data(), handlers.size(), table))
            return 1;
        for (const auto& window : table.windows) {
            for (const auto& unit : window.units) {
                DecodedBlock block;
                decode_property_block(unit.type, unit.property_block, block);
                ++units;
            }
        }
    }
    double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "form resource: %zu bytes, %d passes, %.2f us per load with all property blocks "
        "(%zu units decoded)\n",
        resources::form_resource_size, kPasses, us / kPasses, units);
    return 0;
}
