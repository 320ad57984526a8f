#include "commands/automation_values.h"

#include <cstdlib>
#include <cstring>

#include "platform/text_encoding.h"
#include "runtime/frame.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

using namespace platform;

// A data type whose record carries this flag converts exactly like the
// core library's object type.
constexpr uint32_t kObjectLikeTypeFlag = 0x01000000;

// The tag a value converts as: object-like data types as objects.
uint32_t conversion_tag(uint32_t tag) {
    if (TypeTag::is_basic(tag) || tag == TypeTag::kComObject || tag == TypeTag::kVariant)
        return tag;
    const DataTypeRecord* record = data_type_record(tag);
    return record && (record->flags & kObjectLikeTypeFlag) ? TypeTag::kComObject : tag;
}

// The VARIANT type a tagged scalar becomes; VT_EMPTY for none.
uint16_t variant_type_of(uint32_t tag) {
    switch (tag) {
    case TypeTag::kBool: return VT_BOOL;
    case TypeTag::kDateTime: return VT_DATE;
    case TypeTag::kText: return VT_BSTR;
    case TypeTag::kByte: return VT_UI1;
    case TypeTag::kShort: return VT_I2;
    case TypeTag::kInt: return VT_I4;
    case TypeTag::kLong: return VT_I4;
    case TypeTag::kFloat: return VT_R4;
    case TypeTag::kDouble: return VT_R8;
    case TypeTag::kComObject: return VT_UNKNOWN;
    default: return VT_EMPTY;
    }
}

// Copies one array element (of the array's element tag) into a VARIANT
// value of the matching type, or false for a tag arrays cannot convert.
bool element_payload(uint32_t tag, const ArrayBlock* array, int64_t i, Variant* out) {
    const uint8_t* p = array->elements() + i * element_width(tag);
    out->vt = variant_type_of(tag);
    switch (tag) {
    case TypeTag::kText: {
        auto text = static_cast<const char*>(array->pointer_at(i));
        out->bstr = bstr_from_gbk(text ? text : "");
        return true;
    }
    case TypeTag::kBool: {
        int32_t b;
        std::memcpy(&b, p, 4);
        out->boolean = b ? kVariantTrue : kVariantFalse;
        return true;
    }
    case TypeTag::kLong: std::memcpy(&out->i4, p, 4); return true;  // low half
    case TypeTag::kByte:
    case TypeTag::kShort:
    case TypeTag::kInt:
    case TypeTag::kFloat:
    case TypeTag::kDouble:
    case TypeTag::kDateTime: std::memcpy(&out->i8, p, size_t(element_width(tag))); return true;
    default: return false;
    }
}

// The GBK text of a BSTR, encoded straight into a new text block sized for
// the worst case and then cut to what the text takes.
char* text_from_bstr(const char16_t* s) {
    const std::u16string_view units = bstr_view(s);
    if (units.empty()) return nullptr;
    const size_t room = units.size() * kGbkBytesPerUnit;
    auto text = static_cast<char*>(mem_alloc(room + 1));
    const size_t size = gbk_into(units, text);
    if (size == 0) {
        mem_free(text);
        return nullptr;
    }
    if (size < room) text = static_cast<char*>(mem_realloc(text, size + 1));
    text[size] = 0;
    return text;
}

// The same for a BSTR the caller gives up: encoded over its own storage,
// so that a page's UTF-16 text and its GBK text never live side by side.
char* text_taking_bstr(Bstr s) {
    const GbkOverBstr gbk(s);
    return gbk.bytes().empty() ? nullptr : make_text(gbk.bytes());
}

// Program text from a member: the block itself becomes the text where
// values live in malloc's heap, else a copy does.
char* text_taking_program_text(char* block) {
    if (!block || !*block || !heap_is_process_heap()) {
        char* text = block && *block ? make_text(block) : nullptr;
        std::free(block);
        return text;
    }
    return block;
}

bool is_byte_array(const Variant& v) {
    const uint16_t base = v.vt & ~VT_BYREF;
    return base == (VT_ARRAY | VT_UI1) || base == (VT_ARRAY | VT_I1);
}

// The array an array VARIANT holds, directly or by reference; may be null.
const SafeArray* held_array(const Variant& v) {
    if (!(v.vt & VT_BYREF)) return v.array;
    return v.ref ? *static_cast<SafeArray* const*>(v.ref) : nullptr;
}

void store_in_block(ComObjectBlock* block, Object* object) {
    clear_object_block(block);
    block->object = object;
}

}  // namespace

void clear_object_block(ComObjectBlock* block) {
    if (!block) return;
    if (block->object) {
        block->object->release();
        block->object = nullptr;
    }
    mem_free(block->record);
    block->record = nullptr;
}

ComObjectBlock* new_object_block() {
    auto block = static_cast<ComObjectBlock*>(mem_alloc(sizeof(ComObjectBlock)));
    *block = {};
    return block;
}

VariantBlock* new_variant_block() {
    auto block = static_cast<VariantBlock*>(mem_alloc(sizeof(VariantBlock)));
    variant_init(block);
    return block;
}

TaggedArg read_variable(const TaggedArg& reference) {
    uint32_t tag = TypeTag::without_array(reference.type);
    TaggedArg value{0, 0, tag};
    const void* variable = reference.pointer();
    if (!variable) return value;
    switch (conversion_tag(tag)) {
    case TypeTag::kByte: value.lo = *static_cast<const uint8_t*>(variable); break;
    case TypeTag::kShort:
        value.lo = uint32_t(int32_t(*static_cast<const int16_t*>(variable)));
        break;
    case TypeTag::kLong:
    case TypeTag::kDouble:
    case TypeTag::kDateTime:
    case TypeTag::kEightByte: {
        uint64_t bits;
        std::memcpy(&bits, variable, 8);
        value.set_bits64(bits);
        break;
    }
    case TypeTag::kText:
    case TypeTag::kByteSet:
    case TypeTag::kComObject:
    case TypeTag::kVariant: value.set_pointer(*static_cast<void* const*>(variable)); break;
    default: std::memcpy(&value.lo, variable, 4); break;
    }
    return value;
}

void write_variable(const TaggedArg& reference, const TaggedArg& value) {
    void* variable = reference.pointer();
    if (!variable) return;
    switch (conversion_tag(TypeTag::without_array(reference.type))) {
    case TypeTag::kByte: *static_cast<uint8_t*>(variable) = uint8_t(value.lo); break;
    case TypeTag::kShort: *static_cast<int16_t*>(variable) = int16_t(value.lo); break;
    case TypeTag::kLong:
    case TypeTag::kDouble:
    case TypeTag::kDateTime: {
        uint64_t bits = value.bits64();
        std::memcpy(variable, &bits, 8);
        break;
    }
    case TypeTag::kText:
    case TypeTag::kByteSet: {
        auto slot = static_cast<void**>(variable);
        mem_free(*slot);
        *slot = value.pointer();
        break;
    }
    case TypeTag::kComObject: {
        // The variable keeps its block; the interface moves into it.
        auto slot = static_cast<ComObjectBlock**>(variable);
        auto fresh = static_cast<ComObjectBlock*>(value.pointer());
        if (!*slot) {
            *slot = fresh;
            break;
        }
        store_in_block(*slot, fresh->object);
        fresh->object = nullptr;
        mem_free(fresh);
        break;
    }
    case TypeTag::kVariant: {
        auto slot = static_cast<VariantBlock**>(variable);
        auto fresh = static_cast<VariantBlock*>(value.pointer());
        if (!*slot) {
            *slot = fresh;
            break;
        }
        variant_clear(*slot);
        std::memcpy(static_cast<void*>(*slot), fresh, sizeof(VariantBlock));
        mem_free(fresh);
        break;
    }
    default: std::memcpy(variable, &value.lo, 4); break;
    }
}

bool variant_from_value(const TaggedArg& value, Variant* out, uint16_t object_type) {
    variant_init(out);
    if (value.type == TypeTag::kVariant) {
        auto block = static_cast<const VariantBlock*>(value.pointer());
        return !block || succeeded(variant_copy_ind(out, block));
    }
    if (value.type == TypeTag::kByteSet) {
        out->array = safe_array_from_value(value);
        out->vt = VT_ARRAY | VT_UI1;
        return out->array != nullptr;
    }
    uint32_t tag = conversion_tag(value.type);
    out->vt = variant_type_of(tag);
    switch (tag) {
    case TypeTag::kBool: out->boolean = value.lo ? kVariantTrue : kVariantFalse; return true;
    case TypeTag::kText: out->bstr = bstr_from_gbk(value.text() ? value.text() : ""); return true;
    case TypeTag::kByte: out->ui1 = uint8_t(value.lo); return true;
    case TypeTag::kShort: out->i2 = int16_t(value.lo); return true;
    case TypeTag::kInt:
    case TypeTag::kLong: out->i4 = int32_t(value.lo); return true;
    case TypeTag::kFloat: out->r4 = value.as_float(); return true;
    case TypeTag::kDouble:
    case TypeTag::kDateTime: out->r8 = value.as_double(); return true;
    case TypeTag::kComObject: {
        auto block = static_cast<const ComObjectBlock*>(value.pointer());
        Object* object = block ? block->object : nullptr;
        if (object_type == VT_DISPATCH) {
            out->vt = VT_DISPATCH;
            out->dispatch = object ? object->query_dispatch() : nullptr;
        } else if (object) {
            object->add_ref();
            out->unknown = object;
        }
        return true;
    }
    default: out->vt = VT_EMPTY; return false;
    }
}

SafeArray* safe_array_from_value(const TaggedArg& value) {
    if (value.type == TypeTag::kByteSet) {
        return safe_array_from_bytes(1, byte_set_view(value.byte_set()));
    }
    uint32_t tag = TypeTag::without_array(value.type);
    const ArrayBlock* array = value.array();
    uint16_t type = variant_type_of(tag);
    if (type == VT_EMPTY || type == VT_UNKNOWN) return nullptr;
    int64_t count = array ? array->element_count() : 0;
    SafeArray* a = safe_array_create_vector(VarType(type), 1, uint32_t(count));
    for (int64_t i = 0; a && i < count; ++i) {
        Variant element;
        variant_init(&element);
        element_payload(tag, array, i, &element);
        std::memcpy(a->element(uint64_t(i)), &element.ui1, a->element_size);  // takes the BSTR
    }
    return a;
}

bool value_from_variant(const Variant& v, uint32_t result_tag, TaggedArg* out) {
    *out = TaggedArg{0, 0, result_tag};
    uint32_t tag = conversion_tag(result_tag);
    if (tag == TypeTag::kVariant) {
        VariantBlock* block = new_variant_block();
        if (failed(variant_copy_ind(block, &v))) {
            mem_free(block);
            return false;
        }
        out->set_pointer(block);
        return true;
    }
    if (tag == TypeTag::kByteSet) {
        out->set_pointer(byte_set_from_variant(v));
        return true;
    }
    uint16_t type = variant_type_of(tag);
    if (type == VT_EMPTY) return false;
    if (tag == TypeTag::kText && v.vt == VT_BSTR) {  // no copy of a long text on the way
        out->set_pointer(text_from_bstr(v.bstr));
        return true;
    }
    Variant converted;
    variant_init(&converted);
    if (failed(variant_change_type(&converted, &v, type))) return false;
    switch (tag) {
    case TypeTag::kBool: out->lo = converted.boolean ? 1 : 0; break;
    case TypeTag::kText: out->set_pointer(text_from_bstr(converted.bstr)); break;
    case TypeTag::kComObject: {
        ComObjectBlock* block = new_object_block();
        block->object = converted.unknown;  // the conversion's reference moves in
        converted.vt = VT_EMPTY;
        out->set_pointer(block);
        break;
    }
    case TypeTag::kLong: out->set_bits64(uint64_t(int64_t(converted.i4))); break;
    case TypeTag::kByte: out->lo = converted.ui1; break;
    case TypeTag::kShort: out->lo = uint32_t(int32_t(converted.i2)); break;
    case TypeTag::kDouble:
    case TypeTag::kDateTime: out->set_bits64(uint64_t(converted.i8)); break;
    default: out->lo = converted.ui4; break;
    }
    variant_clear(&converted);
    return true;
}

bool take_value_from_variant(Variant& v, uint32_t tag, TaggedArg* out) {
    if (tag == TypeTag::kText && (v.vt == VT_BSTR || v.vt == VT_LPSTR)) {
        *out = TaggedArg::of_text(v.vt == VT_BSTR ? text_taking_bstr(v.bstr)
                                                  : text_taking_program_text(v.lpstr));
        variant_init(&v);
        return true;
    }
    if (conversion_tag(tag) != TypeTag::kVariant || (v.vt & VT_BYREF))
        return value_from_variant(v, tag, out);
    VariantBlock* block = new_variant_block();
    std::memcpy(static_cast<void*>(block), &v, sizeof v);
    variant_init(&v);
    *out = TaggedArg{0, 0, tag};
    out->set_pointer(block);
    return true;
}

ByteSet* byte_set_from_variant(const Variant& v) {
    if (is_byte_array(v)) {  // read in place
        const SafeArray* array = held_array(v);
        return array ? make_byte_set(array->data.data(), array->data.size()) : nullptr;
    }
    Variant bytes;
    variant_init(&bytes);
    ByteSet* result = nullptr;
    if (succeeded(variant_change_type(&bytes, &v, VT_ARRAY | VT_UI1)) && bytes.array)
        result = make_byte_set(bytes.array->data.data(), bytes.array->data.size());
    variant_clear(&bytes);
    return result;
}

TaggedArg empty_value(uint32_t tag) {
    TaggedArg value{0, 0, tag};
    if (conversion_tag(tag) == TypeTag::kComObject) value.set_pointer(new_object_block());
    if (tag == TypeTag::kVariant) value.set_pointer(new_variant_block());
    return value;
}

}  // namespace qinghe
