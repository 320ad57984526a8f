// libFuzzer target: PCX files.
#include "components/image/pcx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qinghe::image::read_pcx(std::span(data, size));
    return 0;
}
