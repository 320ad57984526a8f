// Finding a byte string in a block of bytes, as fast as the C library can.
#pragma once

#include <cstddef>

namespace qinghe::platform {

// The first occurrence of the `length` bytes of `sought` in the `size`
// bytes at `bytes`, or null.
const char* find_bytes(const char* bytes, size_t size, const char* sought, size_t length);

}  // namespace qinghe::platform
