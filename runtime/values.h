// Tagged values: the three-word record every command takes and returns,
// and the heap layouts of texts, byte sets and arrays.
//
// A TaggedArg is three 32-bit words {lo, hi, type}. Values that are
// pointers (texts, byte sets, arrays, objects, variants) fill lo and hi
// together on this 64-bit build; use the typed accessors, never the words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qinghe {

// TypeTag codes.
namespace TypeTag {
inline constexpr uint32_t kOmitted = 0x00000000;
inline constexpr uint32_t kByte = 0x80000101;
inline constexpr uint32_t kShort = 0x80000201;
inline constexpr uint32_t kInt = 0x80000301;
inline constexpr uint32_t kLong = 0x80000401;
inline constexpr uint32_t kFloat = 0x80000501;
inline constexpr uint32_t kDouble = 0x80000601;
inline constexpr uint32_t kBool = 0x80000002;
inline constexpr uint32_t kDateTime = 0x80000003;
inline constexpr uint32_t kText = 0x80000004;
inline constexpr uint32_t kByteSet = 0x80000005;
inline constexpr uint32_t kUnsigned32 = 0x80000006;
inline constexpr uint32_t kEightByte = 0x80000008;
inline constexpr uint32_t kArrayFlag = 0x20000000;
inline constexpr uint32_t kBasicFlag = 0x80000000;

// Core-library data types that are values rather than windows.
inline constexpr uint32_t kComObject = 0x00010030;  // core type 48
inline constexpr uint32_t kVariant = 0x00010031;    // core type 49

constexpr uint32_t without_array(uint32_t tag) { return tag & ~kArrayFlag; }
constexpr bool is_array(uint32_t tag) { return (tag & kArrayFlag) != 0; }
// Numeric: top two bits 10 and low byte 0x01 (byte .. double).
constexpr bool is_numeric(uint32_t tag) {
    return (tag & 0xC0000000u) == 0x80000000u && (tag & 0xFFu) == 0x01u;
}
constexpr bool is_basic(uint32_t tag) { return (tag & kBasicFlag) != 0; }
// A component type: (library number << 16) | 1-based type index.
constexpr uint32_t unit_type(uint32_t library, uint32_t index) { return (library << 16) | index; }
}  // namespace TypeTag

struct ByteSet;
struct ArrayBlock;

struct TaggedArg {
    uint32_t lo = 0;
    uint32_t hi = 0;
    uint32_t type = 0;

    bool omitted() const { return type == TypeTag::kOmitted; }

    // Pointer-valued payloads (text, byte set, array, object, variant).
    void* pointer() const {
        uint64_t bits = uint64_t(lo) | (uint64_t(hi) << 32);
        return reinterpret_cast<void*>(static_cast<uintptr_t>(bits));
    }
    void set_pointer(const void* p) {
        uint64_t bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
        lo = uint32_t(bits);
        hi = uint32_t(bits >> 32);
    }

    // 8-byte payloads (long, double, date-time).
    uint64_t bits64() const { return uint64_t(lo) | (uint64_t(hi) << 32); }
    void set_bits64(uint64_t v) {
        lo = uint32_t(v);
        hi = uint32_t(v >> 32);
    }

    int32_t as_int() const { return int32_t(lo); }
    int64_t as_long() const { return int64_t(bits64()); }
    float as_float() const {
        float f;
        std::memcpy(&f, &lo, 4);
        return f;
    }
    double as_double() const {
        uint64_t b = bits64();
        double d;
        std::memcpy(&d, &b, 8);
        return d;
    }
    bool as_bool() const { return lo != 0; }
    const char* text() const { return static_cast<const char*>(pointer()); }
    ByteSet* byte_set() const { return static_cast<ByteSet*>(pointer()); }
    ArrayBlock* array() const { return static_cast<ArrayBlock*>(pointer()); }

    // Unit reference: lo = window id, hi = unit id, type = unit type.
    uint32_t window_id() const { return lo; }
    uint32_t unit_id() const { return hi; }

    static TaggedArg of_int(int32_t v) { return {uint32_t(v), 0, TypeTag::kInt}; }
    static TaggedArg of_bool(bool v) { return {v ? 1u : 0u, 0, TypeTag::kBool}; }
    static TaggedArg of_long(int64_t v) {
        TaggedArg a{0, 0, TypeTag::kLong};
        a.set_bits64(uint64_t(v));
        return a;
    }
    static TaggedArg of_float(float v) {
        TaggedArg a{0, 0, TypeTag::kFloat};
        std::memcpy(&a.lo, &v, 4);
        return a;
    }
    static TaggedArg of_double(double v, uint32_t tag = TypeTag::kDouble) {
        TaggedArg a{0, 0, tag};
        uint64_t b;
        std::memcpy(&b, &v, 8);
        a.set_bits64(b);
        return a;
    }
    static TaggedArg of_pointer(const void* p, uint32_t tag) {
        TaggedArg a{0, 0, tag};
        a.set_pointer(p);
        return a;
    }
    static TaggedArg of_text(const char* t) { return of_pointer(t, TypeTag::kText); }
    static TaggedArg of_byte_set(const ByteSet* b) { return of_pointer(b, TypeTag::kByteSet); }
    static TaggedArg of_unit(uint32_t window_id, uint32_t unit_id, uint32_t unit_type) {
        return {window_id, unit_id, unit_type};
    }
};
static_assert(sizeof(TaggedArg) == 12, "a TaggedArg is three 32-bit words");

// Byte set block: {1, n, n bytes}, n > 0; the empty byte set is null.
struct ByteSet {
    int32_t mark;
    int32_t length;
    uint8_t* data() { return reinterpret_cast<uint8_t*>(this + 1); }
    const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(this + 1); }
};
static_assert(sizeof(ByteSet) == 8);

inline int32_t byte_set_size(const ByteSet* b) { return b ? b->length : 0; }
inline std::string_view byte_set_view(const ByteSet* b) {
    return b ? std::string_view(reinterpret_cast<const char*>(b->data()), size_t(b->length))
             : std::string_view();
}

// Array block: {d, size_1 .. size_d, elements}. Texts and byte sets are
// stored as 8-byte pointers owned by the array.
struct ArrayBlock {
    int32_t dimensions;
    int32_t* sizes() { return reinterpret_cast<int32_t*>(this + 1); }
    const int32_t* sizes() const { return reinterpret_cast<const int32_t*>(this + 1); }
    int64_t element_count() const {
        int64_t n = 1;
        for (int32_t i = 0; i < dimensions; ++i) n *= sizes()[i];
        return n;
    }
    uint8_t* elements() { return reinterpret_cast<uint8_t*>(sizes() + dimensions); }
    const uint8_t* elements() const {
        return reinterpret_cast<const uint8_t*>(sizes() + dimensions);
    }
    // Pointer elements (text and byte-set arrays); unaligned-safe.
    void* pointer_at(int64_t index) const {
        void* p;
        std::memcpy(&p, elements() + index * int64_t(sizeof(void*)), sizeof p);
        return p;
    }
    void set_pointer_at(int64_t index, const void* p) {
        std::memcpy(elements() + index * int64_t(sizeof(void*)), &p, sizeof p);
    }
};
static_assert(sizeof(ArrayBlock) == 4);

// Width of one element of a value of this tag inside an array block.
inline int32_t element_width(uint32_t tag) {
    switch (TypeTag::without_array(tag)) {
    case TypeTag::kByte: return 1;
    case TypeTag::kShort: return 2;
    case TypeTag::kInt:
    case TypeTag::kFloat:
    case TypeTag::kBool:
    case TypeTag::kUnsigned32: return 4;
    case TypeTag::kLong:
    case TypeTag::kDouble:
    case TypeTag::kDateTime:
    case TypeTag::kEightByte: return 8;
    case TypeTag::kText:
    case TypeTag::kByteSet: return int32_t(sizeof(void*));
    default: return 4;
    }
}

// Window and unit ids: bits 0-23 serial, 24-27 class, 28-31 kind.
namespace Id {
inline constexpr uint32_t kClassWindow = 2;
inline constexpr uint32_t kClassUnit = 6;
inline constexpr uint32_t kKindWindow = 5;
inline constexpr uint32_t kKindComponent = 1;
inline constexpr uint32_t kKindWindowUnit = 0;
inline constexpr uint32_t kKindMenuItem = 2;

constexpr uint32_t serial(uint32_t id) { return id & 0x00FFFFFF; }
constexpr uint32_t id_class(uint32_t id) { return (id >> 24) & 0xF; }
constexpr uint32_t kind(uint32_t id) { return id >> 28; }
constexpr bool valid(uint32_t id) { return serial(id) != 0 && id_class(id) != 0; }
constexpr bool is_window(uint32_t id) { return valid(id) && id_class(id) == kClassWindow; }
constexpr bool is_menu_item(uint32_t id) {
    return kind(id) == kKindMenuItem && id_class(id) == kClassUnit;
}
}  // namespace Id

}  // namespace qinghe
