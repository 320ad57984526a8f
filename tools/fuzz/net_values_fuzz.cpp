// libFuzzer target: the answer of the net-value history endpoint.
#include <string_view>

#include "analysis/sources/net_value_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    qinghe::app::read_net_value_answer(body);
    return 0;
}
