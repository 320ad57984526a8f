// Internals shared by the variant*.cpp files.
#pragma once

#include <cstdint>

#include "platform/automation/variant.h"

namespace qinghe::platform::detail {

// Copies one array element of `type` into zeroed storage, taking its own
// share of resources (variant_safe_array.cpp).
HRESULT copy_element(VarType type, uint8_t* dst, const uint8_t* src);
// Converts a VARIANT without indirection to `target` into *out, which
// holds nothing yet (variant_conversion.cpp).
HRESULT convert(const Variant& src, uint16_t target, Variant* out);

}  // namespace qinghe::platform::detail
