// Automation object commands: create an object by programmatic or class
// identifier, write its properties and call its methods by name, release it.
// Member calls bind the name through the object's type information and
// record their outcome as the calling thread's last object-call status.
#pragma once

#include "runtime/frame.h"

namespace qinghe {

void object_create(TaggedArg* result, int32_t count, TaggedArg* args);
void object_write_property(TaggedArg* result, int32_t count, TaggedArg* args);
void object_call_method(TaggedArg* result, int32_t count, TaggedArg* args);
void object_call_text_method(TaggedArg* result, int32_t count, TaggedArg* args);
void object_call_variant_method(TaggedArg* result, int32_t count, TaggedArg* args);
void object_clear(TaggedArg* result, int32_t count, TaggedArg* args);

// Outcome of the thread's last member call.
namespace ObjectCallStatus {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kEmptyObject = -1;
inline constexpr int32_t kNoDispatch = -2;
inline constexpr int32_t kNoSuchMember = -3;
inline constexpr int32_t kNoTypeInfo = -4;
inline constexpr int32_t kTooManyArguments = -5;
inline constexpr int32_t kBadArgumentType = -7;
inline constexpr int32_t kBadResultType = -8;
inline constexpr int32_t kBadParamCount = -9;
inline constexpr int32_t kBadVarType = -10;
inline constexpr int32_t kException = -11;
inline constexpr int32_t kMemberNotFound = -12;
inline constexpr int32_t kNoNamedArgs = -13;
inline constexpr int32_t kOverflow = -14;
inline constexpr int32_t kParamNotFound = -15;
inline constexpr int32_t kTypeMismatch = -16;
inline constexpr int32_t kParamNotOptional = -17;
inline constexpr int32_t kOtherFailure = -18;
}  // namespace ObjectCallStatus

int32_t last_object_call_status();

}  // namespace qinghe
