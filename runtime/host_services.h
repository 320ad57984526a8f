// Host services: the numbered entry through which libraries and component
// types call back into the runtime. The runtime core provides the value,
// memory, type-record, error and end-of-program services; later layers register theirs (the window
// table, window loading, event dispatch, ...) without editing this file.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

namespace HostServiceCode {
inline constexpr int32_t kDataTypeRecord = 1002;  // (unit type) -> DataTypeRecord* or null
inline constexpr int32_t kToInteger = 2001;       // (const TaggedArg*) -> int32
inline constexpr int32_t kFreeArray = 2023;       // (element TypeTag, ArrayBlock*)
inline constexpr int32_t kAllocate = 2024;        // (size, plain flag) -> block
inline constexpr int32_t kFree = 2025;            // (block)
inline constexpr int32_t kReallocate = 2026;      // (block, size) -> block
inline constexpr int32_t kReportMessage = 2027;   // (GBK message text)
inline constexpr int32_t kEndProgram = 2028;      // (exit code), through runtime_exit
}  // namespace HostServiceCode

using HostServiceHandler = intptr_t (*)(intptr_t first, intptr_t second);

// Codes 1000-2099. A later registration of a code replaces the earlier one.
void register_host_service(int32_t code, HostServiceHandler handler);

// Runs the service; a code nobody provides returns 0.
intptr_t host_service(int32_t code, intptr_t first, intptr_t second);

// Host service 2001: byte, short, integer and the low half of a long as
// they are; single and double truncated toward zero (NaN and values out of
// range give INT32_MIN); any other tag is a runtime error.
int32_t numeric_to_integer(const TaggedArg& value);

// Host service 2023: frees every element of a text or byte-set array, then
// the block; for other element types the block only.
void free_array(uint32_t element_type, ArrayBlock* array);

}  // namespace qinghe
