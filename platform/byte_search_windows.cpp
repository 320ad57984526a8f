// The Windows C library has no memmem: the standard library's search.
#include "platform/byte_search.h"

#include <string_view>

namespace qinghe::platform {

const char* find_bytes(const char* bytes, size_t size, const char* sought, size_t length) {
    const size_t at = std::string_view(bytes, size).find(std::string_view(sought, length));
    return at == std::string_view::npos ? nullptr : bytes + at;
}

}  // namespace qinghe::platform
