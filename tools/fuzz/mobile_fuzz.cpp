// libFuzzer target: the mobile endpoint's JSON answer.
#include <string_view>

#include "analysis/sources/mobile_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qinghe::app::read_mobile_answer(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
