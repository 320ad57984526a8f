// Property access: the application reads and writes unit properties by
// (window id, unit id, property number). Numbers 0-7 are common to every
// unit; 8 and up belong to the unit's type, which sees them from 0.
// Called from a worker thread, both run on the main thread.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

namespace CommonProperty {
inline constexpr int32_t kLeft = 0;
inline constexpr int32_t kTop = 1;
inline constexpr int32_t kWidth = 2;
inline constexpr int32_t kHeight = 3;
inline constexpr int32_t kTag = 4;
inline constexpr int32_t kVisible = 5;
inline constexpr int32_t kDisabled = 6;
inline constexpr int32_t kMousePointer = 7;
inline constexpr int32_t kFirstOwn = 8;
}  // namespace CommonProperty

// The application's number of a type's own property (LabelProperty::kCaption, ...).
constexpr int32_t own_property(int32_t own) { return CommonProperty::kFirstOwn + own; }

inline constexpr int32_t kWholeValue = -1;  // element index: no element
inline constexpr int32_t kCoordinateLimit = 32627;

// Two value words; pointer values (texts, byte sets, font records) fill
// both on this build. A text or byte set result is a new heap block.
TaggedArg get_property(uint32_t window_id, uint32_t unit_id, int32_t number, int32_t index);
void set_property(uint32_t window_id, uint32_t unit_id, int32_t number, int32_t index,
                  uint32_t value, uint32_t second);
// The same with the value as a tagged record (its two words are used).
inline void set_property(uint32_t window_id, uint32_t unit_id, int32_t number, int32_t index,
                         const TaggedArg& value) {
    set_property(window_id, unit_id, number, index, value.lo, value.hi);
}

}  // namespace qinghe
