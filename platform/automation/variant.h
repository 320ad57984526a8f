// Automation values: the 16-byte VARIANT, length-prefixed UTF-16 strings
// (BSTR) and self-describing arrays with bounds (SAFEARRAY), with the
// conversions between VARIANT types that the automation commands need.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/result_codes.h"

namespace qinghe::platform {

class Object;
class Dispatch;

enum VarType : uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_INT = 22,
    VT_UINT = 23,
    // The program's own GBK text, NUL-terminated, in a malloc block (or
    // borrowed, by reference). It crosses to a member only where both sides
    // say they take it (see ParamFlag::kProgramText and Dispatch::invoke),
    // sparing a page's text its UTF-16 form; it converts like a BSTR.
    VT_LPSTR = 30,
    VT_RECORD = 36,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

constexpr uint16_t base_type(uint16_t vt) { return vt & VT_TYPEMASK; }

// A BSTR points at UTF-16 units preceded by their byte length and followed
// by a zero unit. Null is the empty string.
using Bstr = char16_t*;

Bstr bstr_alloc(std::u16string_view text);
void bstr_free(Bstr s);
uint32_t bstr_length(const char16_t* s);  // in UTF-16 units
std::u16string_view bstr_view(const char16_t* s);
Bstr bstr_from_gbk(std::string_view gbk);
// Text in a charset as iconv names it, decoded straight into a new BSTR.
Bstr bstr_from_text(std::string_view bytes, const char* charset);
std::string gbk_from_bstr(const char16_t* s);

// The GBK text of a BSTR, written over the BSTR's own storage, which then
// shrinks to the bytes: the BSTR is consumed, and a page's text needs no
// second block on its way to GBK. The storage is freed with the object.
class GbkOverBstr {
public:
    explicit GbkOverBstr(Bstr s);
    ~GbkOverBstr();
    GbkOverBstr(const GbkOverBstr&) = delete;
    GbkOverBstr& operator=(const GbkOverBstr&) = delete;
    std::string_view bytes() const { return {block_, size_}; }

private:
    char* block_;
    size_t size_;
};

struct SafeArrayBound {
    uint32_t count;
    int32_t lower;
};

// A SAFEARRAY of one element type. Elements of BSTR, interface and VARIANT
// type are owned by the array; indices are given per dimension, the first
// dimension varying fastest in storage.
struct SafeArray {
    VarType element_type;
    uint32_t element_size;
    std::vector<SafeArrayBound> bounds;
    std::vector<uint8_t> data;

    uint64_t element_count() const;
    // Linear storage index of per-dimension indices; -1 when out of bounds.
    int64_t linear_index(std::span<const int32_t> indices) const;
    uint8_t* element(uint64_t linear) { return data.data() + linear * element_size; }
};

// Null for an element type arrays cannot hold or a size too large.
SafeArray* safe_array_create(VarType element_type, std::span<const SafeArrayBound> bounds);
SafeArray* safe_array_create_vector(VarType element_type, int32_t lower, uint32_t count);
// A vector of bytes holding a copy of `bytes` (no zero-filling first).
SafeArray* safe_array_from_bytes(int32_t lower, std::string_view bytes);
void safe_array_destroy(SafeArray* array);
SafeArray* safe_array_copy(const SafeArray* array);
// Stores a copy of *value (a BSTR, interface pointer, VARIANT or plain
// value, by element type) at the indices; fetches a copy likewise.
HRESULT safe_array_put_element(SafeArray* array, std::span<const int32_t> indices,
                               const void* value);
HRESULT safe_array_get_element(const SafeArray* array, std::span<const int32_t> indices,
                               void* value);

struct Variant {
    uint16_t vt;
    uint16_t reserved[3];
    union {
        uint8_t ui1;
        int8_t i1;
        int16_t i2;
        uint16_t ui2;
        int32_t i4;
        uint32_t ui4;
        int64_t i8;
        float r4;
        double r8;
        double date;
        int16_t boolean;  // -1 true, 0 false
        HRESULT error;
        Bstr bstr;
        char* lpstr;
        Object* unknown;
        Dispatch* dispatch;
        SafeArray* array;
        void* ref;
    };
};
static_assert(sizeof(Variant) == 16, "a VARIANT is 16 bytes");

constexpr int16_t kVariantTrue = -1;
constexpr int16_t kVariantFalse = 0;

void variant_init(Variant* v);
// Frees what the VARIANT owns (not what a by-reference VARIANT points at).
void variant_clear(Variant* v);
HRESULT variant_copy(Variant* dst, const Variant* src);
// Copies with one level of indirection removed.
HRESULT variant_copy_ind(Variant* dst, const Variant* src);
// Converts src (indirection removed) to `target`; dst may be src.
HRESULT variant_change_type(Variant* dst, const Variant* src, uint16_t target);

// The size of one value of a plain VARIANT type inside an array; 0 if none.
uint32_t element_size_of(VarType type);

}  // namespace qinghe::platform
