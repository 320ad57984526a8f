// Charset conversion of a downloaded page through the stream object:
// bytes in, written in binary mode, read back as text in the source
// charset, written as text in the target charset, read back as bytes.
#pragma once

#include "runtime/values.h"

namespace qinghe {

// A new byte set owned by the caller; the empty byte set (null) when the
// input is empty or any step fails.
ByteSet* convert_charset(const ByteSet* bytes, const char* from, const char* to);

}  // namespace qinghe
