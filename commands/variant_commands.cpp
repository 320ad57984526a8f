#include "commands/variant_commands.h"

#include <cstring>
#include <vector>

#include "commands/automation_values.h"

namespace qinghe {
namespace {

using namespace platform;

VariantBlock* variant_block(int32_t count, const TaggedArg* args) {
    return count >= 1 ? static_cast<VariantBlock*>(args[0].pointer()) : nullptr;
}

bool has_index(int32_t count, const TaggedArg* args, int at) {
    return count > at && !args[at].omitted();
}

// Variant kinds 1..13 of variant_set_type.
uint16_t variant_kind_type(int32_t kind) {
    static constexpr uint16_t kTypes[] = {
        VT_EMPTY,
        VT_I4,
        VT_BSTR,
        VT_BOOL,
        VT_DATE,
        VT_DISPATCH,
        VT_ERROR,
        VT_ARRAY | VT_I4,
        VT_ARRAY | VT_BSTR,
        VT_ARRAY | VT_BOOL,
        VT_ARRAY | VT_DATE,
        VT_ARRAY | VT_DISPATCH,
        VT_ARRAY | VT_ERROR,
        VT_ARRAY | VT_VARIANT,
    };
    return kTypes[kind];
}

// Element kinds 1..10 of variant_create_array; VT_EMPTY for any other.
VarType element_kind_type(int32_t kind) {
    static constexpr VarType kTypes[] = {VT_EMPTY, VT_UI1,  VT_I2,   VT_I4,      VT_R4,     VT_R8,
                                         VT_BSTR,  VT_BOOL, VT_DATE, VT_UNKNOWN, VT_VARIANT};
    return kind >= 1 && kind <= 10 ? kTypes[kind] : VT_EMPTY;
}

// The array a VARIANT holds, directly or by reference; null if none.
SafeArray* held_array(const Variant& v) {
    if (!(v.vt & VT_ARRAY)) return nullptr;
    if (v.vt & VT_BYREF) return v.ref ? *static_cast<SafeArray**>(v.ref) : nullptr;
    return v.array;
}

// Per-dimension indices of a 1-based linear index, first dimension fastest.
bool element_indices(const SafeArray& array, int32_t index, std::vector<int32_t>* out) {
    if (index < 1 || uint64_t(index) > array.element_count()) return false;
    uint64_t rest = uint64_t(index - 1);
    for (const SafeArrayBound& b : array.bounds) {
        out->push_back(b.lower + int32_t(rest % b.count));
        rest /= b.count;
    }
    return true;
}

// What safe_array_put_element takes for a value of the element type.
const void* element_source(Variant& value, VarType element_type) {
    switch (element_type) {
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_RECORD: return value.ref;
    case VT_VARIANT:
    case VT_DECIMAL: return &value;
    default: return &value.ui1;
    }
}

bool assign_whole(VariantBlock* v, const TaggedArg& value) {
    if (value.type == TypeTag::kByteSet || TypeTag::is_array(value.type)) {
        SafeArray* array = safe_array_from_value(value);
        if (!array) return false;
        v->vt = VT_ARRAY | array->element_type;
        v->array = array;
        return true;
    }
    return variant_from_value(value, v);
}

bool assign_element(VariantBlock* v, const TaggedArg& value, int32_t index) {
    SafeArray* array = held_array(*v);
    std::vector<int32_t> indices;
    if (!array || !element_indices(*array, index, &indices)) return false;
    bool array_value = value.type == TypeTag::kByteSet || TypeTag::is_array(value.type);
    if (array_value && array->element_type != VT_VARIANT) return false;
    Variant element;
    variant_init(&element);
    bool ok = assign_whole(&element, value);
    if (ok && !array_value && array->element_type != VT_VARIANT)
        ok = succeeded(variant_change_type(&element, &element, array->element_type));
    ok = ok && succeeded(safe_array_put_element(array, indices,
                                                element_source(element, array->element_type)));
    variant_clear(&element);
    return ok;
}

void set_logical(TaggedArg* result, bool value) {
    result->type = TypeTag::kBool;
    result->lo = value ? 1 : 0;
}

}  // namespace

void variant_set_type(TaggedArg* result, int32_t count, TaggedArg* args) {
    VariantBlock* v = variant_block(count, args);
    if (!v || count < 2) return set_logical(result, false);
    platform::variant_clear(v);
    int32_t kind = args[1].as_int();
    if (kind < 0 || kind > 13) return set_logical(result, false);
    if (kind == 0) return set_logical(result, true);
    set_logical(result, succeeded(variant_change_type(v, v, variant_kind_type(kind))));
}

void variant_create_array(TaggedArg* result, int32_t count, TaggedArg* args) {
    VariantBlock* v = variant_block(count, args);
    VarType type = count >= 3 ? element_kind_type(args[1].as_int()) : VT_EMPTY;
    if (!v || type == VT_EMPTY || args[2].as_int() < 0) return set_logical(result, false);
    SafeArray* array = safe_array_create_vector(type, 1, uint32_t(args[2].as_int()));
    if (!array) return set_logical(result, false);
    platform::variant_clear(v);
    v->vt = VT_ARRAY | type;
    v->array = array;
    set_logical(result, true);
}

void variant_assign(TaggedArg* result, int32_t count, TaggedArg* args) {
    VariantBlock* v = variant_block(count, args);
    if (!v || count < 2) return set_logical(result, false);
    if (has_index(count, args, 2))
        return set_logical(result, assign_element(v, args[1], args[2].as_int()));
    platform::variant_clear(v);
    set_logical(result, assign_whole(v, args[1]));
}

void variant_to_byte_set(TaggedArg* result, int32_t count, TaggedArg* args) {
    result->type = TypeTag::kByteSet;
    VariantBlock* v = variant_block(count, args);
    if (!v) return;
    if (!has_index(count, args, 1)) {
        result->set_pointer(byte_set_from_variant(*v));
        return;
    }
    SafeArray* array = held_array(*v);
    std::vector<int32_t> indices;
    if (!array || !element_indices(*array, args[1].as_int(), &indices)) return;
    Variant element;
    variant_init(&element);
    void* destination = &element;
    if (array->element_type != VT_VARIANT) {
        element.vt = array->element_type;
        destination = &element.ui1;
    }
    if (succeeded(safe_array_get_element(array, indices, destination)))
        result->set_pointer(byte_set_from_variant(element));
    platform::variant_clear(&element);
}

void variant_clear(TaggedArg*, int32_t count, TaggedArg* args) {
    if (VariantBlock* v = variant_block(count, args)) platform::variant_clear(v);
}

}  // namespace qinghe
