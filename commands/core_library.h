// The core library's descriptor: its identity, versions, the data types it
// declares and its command table.
#pragma once

#include "runtime/frame.h"

namespace qinghe {

// Core data type numbers (1-based) that the program uses.
namespace CoreType {
inline constexpr uint32_t kWindow = 1;
inline constexpr uint32_t kEditBox = 5;
inline constexpr uint32_t kPictureBox = 6;
inline constexpr uint32_t kLabel = 10;
inline constexpr uint32_t kHyperlinkBox = 29;
inline constexpr uint32_t kComObject = 48;
inline constexpr uint32_t kVariant = 49;
}  // namespace CoreType

inline constexpr int32_t kCoreTypeCount = 51;

LibraryRecord& core_library_record();

}  // namespace qinghe
