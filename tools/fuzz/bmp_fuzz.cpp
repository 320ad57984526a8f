// libFuzzer target: bitmap files.
#include "components/image/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qinghe::image::read_bmp(std::span(data, size));
    return 0;
}
