#include "platform/byte_search.h"

#include <cstring>

namespace qinghe::platform {

const char* find_bytes(const char* bytes, size_t size, const char* sought, size_t length) {
    return static_cast<const char*>(memmem(bytes, size, sought, length));
}

}  // namespace qinghe::platform
