// Conversions between tagged values and automation VARIANTs, shared by the
// object and variant commands, and the heap blocks behind the object and
// variant data types. Other data types whose record is flagged as an
// automation object (0x01000000) convert exactly like the object type.
#pragma once

#include <cstdint>

#include "platform/automation/object_model.h"
#include "runtime/values.h"

namespace qinghe {

// The block an object value points at: the object's interface and, for a
// user-defined-type record, its data (never set by this runtime's objects).
struct ComObjectBlock {
    platform::Object* object;
    void* record;
};

// A variant value points at one 16-byte VARIANT.
using VariantBlock = platform::Variant;

// Releases the object of the block and empties it.
void clear_object_block(ComObjectBlock* block);
// A new zeroed object or variant block from the runtime allocator.
ComObjectBlock* new_object_block();
VariantBlock* new_variant_block();

// The value of a by-reference argument, read through the caller's
// variable: a plain tagged value of the base type, still owned by the caller.
TaggedArg read_variable(const TaggedArg& reference);
// Stores a fresh value (ownership passes) into the variable a by-reference
// argument names, freeing or clearing what the variable held.
void write_variable(const TaggedArg& reference, const TaggedArg& value);

// Converts a plain tagged value by the scalar table (byte sets as byte
// arrays); an object becomes VT_DISPATCH when `object_type` asks for it,
// else VT_UNKNOWN. False for a type outside the table.
bool variant_from_value(const TaggedArg& value, platform::Variant* out,
                        uint16_t object_type = platform::VT_UNKNOWN);
// A new SAFEARRAY (lower bound 1) holding all elements of a byte set or of
// an array value; null when the element type cannot be held.
platform::SafeArray* safe_array_from_value(const TaggedArg& value);
// Converts a VARIANT to a fresh value of the given tag; false when it cannot.
bool value_from_variant(const platform::Variant& v, uint32_t tag, TaggedArg* out);
// The same, taking over what `v` owns instead of copying it where the value
// can hold it as it is (a variant result): `v` is then left empty.
bool take_value_from_variant(platform::Variant& v, uint32_t tag, TaggedArg* out);
// All bytes of a byte array VARIANT (other values converted to one first);
// null when empty or not convertible.
ByteSet* byte_set_from_variant(const platform::Variant& v);
// The empty value of a result type: 0, null, or a new empty block.
TaggedArg empty_value(uint32_t tag);

}  // namespace qinghe
