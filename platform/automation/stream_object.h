// The stream class, registered as "Adodb.Stream": an in-memory byte
// stream that is read and written either as bytes (Type 1) or as text in a
// named character set (Type 2). Text conversion never fails as a whole: a
// character the charset cannot hold is written as "?", malformed bytes
// read back as U+FFFD.
#pragma once

#include "platform/automation/class_registry.h"

namespace qinghe::platform {

namespace StreamType {
inline constexpr int32_t kBinary = 1;
inline constexpr int32_t kText = 2;
}  // namespace StreamType

ClassId stream_class_id();
Object* create_stream_object();

// The iconv name of a stream charset name (case-insensitive), or null.
// "gb2312" means GBK, the encoding of the program's own texts.
const char* stream_charset_encoding(std::string_view charset);

}  // namespace qinghe::platform
