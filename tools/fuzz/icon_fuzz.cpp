// libFuzzer target: icon and cursor files.
#include "components/image/icon_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qinghe::image::read_icon(std::span(data, size));
    return 0;
}
