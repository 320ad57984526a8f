#include "platform/automation/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/automation/object_model.h"
#include "platform/text_encoding.h"

namespace qinghe::platform {
namespace {

// Arrays larger than this are refused rather than attempted.
constexpr uint64_t kMaxArrayBytes = uint64_t(1) << 31;

uint32_t* bstr_header(const char16_t* s) {
    return reinterpret_cast<uint32_t*>(const_cast<char16_t*>(s)) - 1;
}

bool owns_resource(VarType type) {
    return type == VT_BSTR || type == VT_UNKNOWN || type == VT_DISPATCH || type == VT_VARIANT;
}

// Frees what one array element of `type` owns.
void clear_element(VarType type, uint8_t* p) {
    switch (type) {
    case VT_BSTR: {
        Bstr s;
        std::memcpy(&s, p, sizeof s);
        bstr_free(s);
        break;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        Object* o;
        std::memcpy(&o, p, sizeof o);
        if (o) o->release();
        break;
    }
    case VT_VARIANT: variant_clear(reinterpret_cast<Variant*>(p)); break;
    default: break;
    }
    std::memset(p, 0, element_size_of(type));
}

// Copies one element into zeroed storage, taking its own share of resources.
HRESULT copy_element(VarType type, uint8_t* dst, const uint8_t* src) {
    switch (type) {
    case VT_BSTR: {
        Bstr s;
        std::memcpy(&s, src, sizeof s);
        Bstr copy = s ? bstr_alloc(bstr_view(s)) : nullptr;
        std::memcpy(dst, &copy, sizeof copy);
        return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        Object* o;
        std::memcpy(&o, src, sizeof o);
        if (o) o->add_ref();
        std::memcpy(dst, &o, sizeof o);
        return S_OK;
    }
    case VT_VARIANT:
        variant_init(reinterpret_cast<Variant*>(dst));
        return variant_copy(reinterpret_cast<Variant*>(dst), reinterpret_cast<const Variant*>(src));
    default: std::memcpy(dst, src, element_size_of(type)); return S_OK;
    }
}

// Puts `value` (already in its final form) into dst, replacing what was there.
void assign(Variant* dst, const Variant& value) {
    variant_clear(dst);
    std::memcpy(static_cast<void*>(dst), &value, sizeof value);
}

bool is_numeric_type(uint16_t vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_BOOL: return true;
    default: return false;
    }
}

double numeric_value(const Variant& v) {
    switch (v.vt) {
    case VT_I1: return v.i1;
    case VT_UI1: return v.ui1;
    case VT_I2: return v.i2;
    case VT_UI2: return v.ui2;
    case VT_I4:
    case VT_INT: return v.i4;
    case VT_UI4:
    case VT_UINT: return v.ui4;
    case VT_I8: return double(v.i8);
    case VT_R4: return v.r4;
    case VT_R8: return v.r8;
    case VT_DATE: return v.date;
    case VT_BOOL: return v.boolean ? -1 : 0;
    default: return 0;
    }
}

// Reads an ASCII number out of a BSTR; false when it is not one.
bool parse_number(const char16_t* s, double* out) {
    std::string ascii;
    for (char16_t c : bstr_view(s)) {
        if (c >= 0x80) return false;
        ascii.push_back(char(c));
    }
    const char* begin = ascii.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (!*begin) return false;
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    while (*end == ' ' || *end == '\t') ++end;
    if (*end || !std::isfinite(value)) return false;
    *out = value;
    return true;
}

Bstr format_number(const Variant& v) {
    char buffer[64];
    switch (v.vt) {
    case VT_R4: std::snprintf(buffer, sizeof buffer, "%.7g", double(v.r4)); break;
    case VT_R8:
    case VT_DATE: std::snprintf(buffer, sizeof buffer, "%.15g", numeric_value(v)); break;
    case VT_I8: std::snprintf(buffer, sizeof buffer, "%lld", (long long)v.i8); break;
    case VT_BOOL: return bstr_alloc(v.boolean ? u"True" : u"False");
    default: std::snprintf(buffer, sizeof buffer, "%.0f", numeric_value(v)); break;
    }
    std::u16string text(buffer, buffer + std::strlen(buffer));
    return bstr_alloc(text);
}

template <typename T>
bool fits(double rounded) {
    return rounded >= double(std::numeric_limits<T>::lowest()) &&
           rounded <= double(std::numeric_limits<T>::max());
}

// Stores a number in a numeric target type, rounding to nearest for
// integers; DISP_E_OVERFLOW when it does not fit.
HRESULT store_number(double x, uint16_t target, Variant* out) {
    double r = std::nearbyint(x);
    out->vt = target;
    out->i8 = 0;
    switch (target) {
    case VT_I1:
        if (!fits<int8_t>(r)) return DISP_E_OVERFLOW;
        out->i1 = int8_t(r);
        break;
    case VT_UI1:
        if (!fits<uint8_t>(r)) return DISP_E_OVERFLOW;
        out->ui1 = uint8_t(r);
        break;
    case VT_I2:
        if (!fits<int16_t>(r)) return DISP_E_OVERFLOW;
        out->i2 = int16_t(r);
        break;
    case VT_UI2:
        if (!fits<uint16_t>(r)) return DISP_E_OVERFLOW;
        out->ui2 = uint16_t(r);
        break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
        if (!fits<int32_t>(r)) return DISP_E_OVERFLOW;
        out->i4 = int32_t(r);
        break;
    case VT_UI4:
    case VT_UINT:
        if (!fits<uint32_t>(r)) return DISP_E_OVERFLOW;
        out->ui4 = uint32_t(r);
        break;
    case VT_I8:
        if (!fits<int64_t>(r)) return DISP_E_OVERFLOW;
        out->i8 = int64_t(r);
        break;
    case VT_R4:
        if (std::fabs(x) > double(std::numeric_limits<float>::max())) return DISP_E_OVERFLOW;
        out->r4 = float(x);
        break;
    case VT_R8: out->r8 = x; break;
    case VT_DATE: out->date = x; break;
    case VT_BOOL: out->boolean = x != 0 ? kVariantTrue : kVariantFalse; break;
    default: return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

HRESULT to_scalar(const Variant& src, uint16_t target, Variant* out) {
    if (src.vt == VT_EMPTY) return store_number(0, target, out);
    if (target == VT_ERROR && src.vt != VT_I4 && src.vt != VT_I2) return DISP_E_TYPEMISMATCH;
    if (is_numeric_type(src.vt)) return store_number(numeric_value(src), target, out);
    if (src.vt == VT_BSTR) {
        double x;
        if (target == VT_BOOL) {
            std::u16string_view s = bstr_view(src.bstr);
            if (s == u"True" || s == u"False") return store_number(s == u"True", target, out);
        }
        if (!parse_number(src.bstr, &x)) return DISP_E_TYPEMISMATCH;
        return store_number(x, target, out);
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT to_text(const Variant& src, Variant* out) {
    out->vt = VT_BSTR;
    if (src.vt == VT_EMPTY) {
        out->bstr = bstr_alloc(u"");
    } else if (is_numeric_type(src.vt)) {
        out->bstr = format_number(src);
    } else if (src.vt == (VT_ARRAY | VT_UI1)) {
        // The bytes of a byte array taken as UTF-16 units.
        const SafeArray* a = src.array;
        std::u16string units(a->data.size() / 2, u'\0');
        std::memcpy(units.data(), a->data.data(), units.size() * 2);
        out->bstr = bstr_alloc(units);
    } else {
        out->vt = VT_EMPTY;
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT to_interface(const Variant& src, uint16_t target, Variant* out) {
    out->vt = target;
    out->unknown = nullptr;
    if (src.vt == VT_EMPTY) return S_OK;
    if (src.vt != VT_UNKNOWN && src.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    if (!src.unknown) return S_OK;
    if (target == VT_UNKNOWN) {
        src.unknown->add_ref();
        out->unknown = src.unknown;
        return S_OK;
    }
    out->dispatch = src.unknown->query_dispatch();
    return out->dispatch ? S_OK : E_NOINTERFACE;
}

HRESULT to_byte_array(const Variant& src, Variant* out) {
    if (src.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    SafeArray* a = safe_array_from_bytes(
        0, {reinterpret_cast<const char*>(src.bstr), size_t(bstr_length(src.bstr)) * 2});
    if (!a) return E_OUTOFMEMORY;
    out->vt = VT_ARRAY | VT_UI1;
    out->array = a;
    return S_OK;
}

HRESULT convert(const Variant& src, uint16_t target, Variant* out) {
    if (target == VT_EMPTY || target == VT_NULL) {
        out->vt = target;
        return S_OK;
    }
    if (target == (VT_ARRAY | VT_UI1)) return to_byte_array(src, out);
    if (target & (VT_ARRAY | VT_BYREF)) return DISP_E_TYPEMISMATCH;
    if (target == VT_BSTR) return to_text(src, out);
    if (target == VT_UNKNOWN || target == VT_DISPATCH) return to_interface(src, target, out);
    if (is_numeric_type(target) || target == VT_ERROR) return to_scalar(src, target, out);
    return DISP_E_BADVARTYPE;
}

}  // namespace

Bstr bstr_alloc(std::u16string_view text) {
    auto header = static_cast<uint32_t*>(std::malloc(4 + text.size() * 2 + 2));
    if (!header) return nullptr;
    header[0] = uint32_t(text.size() * 2);
    auto units = reinterpret_cast<char16_t*>(header + 1);
    if (!text.empty()) std::memcpy(units, text.data(), text.size() * 2);
    units[text.size()] = 0;
    return units;
}

Bstr bstr_from_text(std::string_view bytes, const char* charset) {
    // Decoded straight into the string, sized for one unit per byte, then
    // cut to what the text takes.
    auto header = static_cast<uint32_t*>(std::malloc(4 + bytes.size() * 2 + 2));
    if (!header) return nullptr;
    const size_t count = utf16_into(bytes, charset, reinterpret_cast<char16_t*>(header + 1));
    if (count < bytes.size()) {
        if (auto smaller = static_cast<uint32_t*>(std::realloc(header, 4 + count * 2 + 2)))
            header = smaller;
    }
    header[0] = uint32_t(count * 2);
    auto units = reinterpret_cast<char16_t*>(header + 1);
    units[count] = 0;
    return units;
}

void bstr_free(Bstr s) {
    if (s) std::free(bstr_header(s));
}

uint32_t bstr_length(const char16_t* s) { return s ? bstr_header(s)[0] / 2 : 0; }

std::u16string_view bstr_view(const char16_t* s) { return {s, bstr_length(s)}; }

Bstr bstr_from_gbk(std::string_view gbk) { return bstr_from_text(gbk, "GBK"); }

std::string gbk_from_bstr(const char16_t* s) { return gbk_from_utf16(bstr_view(s)); }

uint32_t element_size_of(VarType type) {
    switch (type) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_I8:
    case VT_R8:
    case VT_DATE: return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    case VT_VARIANT: return sizeof(Variant);
    default: return 0;
    }
}

uint64_t SafeArray::element_count() const {
    uint64_t n = 1;
    for (const SafeArrayBound& b : bounds) n *= b.count;
    return n;
}

int64_t SafeArray::linear_index(std::span<const int32_t> indices) const {
    if (indices.size() != bounds.size()) return -1;
    int64_t linear = 0;
    int64_t stride = 1;
    for (size_t d = 0; d < bounds.size(); ++d) {
        int64_t offset = int64_t(indices[d]) - bounds[d].lower;
        if (offset < 0 || offset >= int64_t(bounds[d].count)) return -1;
        linear += offset * stride;
        stride *= bounds[d].count;
    }
    return linear;
}

SafeArray* safe_array_create(VarType element_type, std::span<const SafeArrayBound> bounds) {
    uint32_t size = element_size_of(element_type);
    if (size == 0 || bounds.empty()) return nullptr;
    uint64_t bytes = size;
    for (const SafeArrayBound& b : bounds) {
        bytes *= b.count;
        if (bytes > kMaxArrayBytes) return nullptr;
    }
    auto a = new SafeArray{element_type, size, {bounds.begin(), bounds.end()}, {}};
    a->data.assign(size_t(bytes), 0);
    return a;
}

SafeArray* safe_array_create_vector(VarType element_type, int32_t lower, uint32_t count) {
    SafeArrayBound bound{count, lower};
    return safe_array_create(element_type, {&bound, 1});
}

SafeArray* safe_array_from_bytes(int32_t lower, std::string_view bytes) {
    if (bytes.size() > kMaxArrayBytes) return nullptr;
    auto a = new SafeArray{VT_UI1, 1, {{uint32_t(bytes.size()), lower}}, {}};
    auto first = reinterpret_cast<const uint8_t*>(bytes.data());
    a->data.assign(first, first + bytes.size());
    return a;
}

void safe_array_destroy(SafeArray* array) {
    if (!array) return;
    if (owns_resource(array->element_type)) {
        for (uint64_t i = 0, n = array->element_count(); i < n; ++i)
            clear_element(array->element_type, array->element(i));
    }
    delete array;
}

SafeArray* safe_array_copy(const SafeArray* array) {
    SafeArray* copy = safe_array_create(array->element_type, array->bounds);
    if (!copy) return nullptr;
    if (!owns_resource(array->element_type)) {
        copy->data = array->data;
        return copy;
    }
    for (uint64_t i = 0, n = array->element_count(); i < n; ++i)
        copy_element(array->element_type, copy->element(i),
                     array->data.data() + i * array->element_size);
    return copy;
}

HRESULT safe_array_put_element(SafeArray* array, std::span<const int32_t> indices,
                               const void* value) {
    int64_t linear = array ? array->linear_index(indices) : -1;
    if (linear < 0) return DISP_E_BADINDEX;
    uint8_t* slot = array->element(uint64_t(linear));
    clear_element(array->element_type, slot);
    // BSTRs and interfaces are passed as the pointer itself.
    if (array->element_type == VT_BSTR || array->element_type == VT_UNKNOWN ||
        array->element_type == VT_DISPATCH)
        return copy_element(array->element_type, slot, reinterpret_cast<const uint8_t*>(&value));
    return copy_element(array->element_type, slot, static_cast<const uint8_t*>(value));
}

HRESULT safe_array_get_element(const SafeArray* array, std::span<const int32_t> indices,
                               void* value) {
    int64_t linear = array ? array->linear_index(indices) : -1;
    if (linear < 0) return DISP_E_BADINDEX;
    if (array->element_type == VT_VARIANT) variant_init(static_cast<Variant*>(value));
    return copy_element(array->element_type, static_cast<uint8_t*>(value),
                        array->data.data() + uint64_t(linear) * array->element_size);
}

void variant_init(Variant* v) { std::memset(static_cast<void*>(v), 0, sizeof *v); }

void variant_clear(Variant* v) {
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            safe_array_destroy(v->array);
        } else if (v->vt == VT_BSTR) {
            bstr_free(v->bstr);
        } else if ((v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) && v->unknown) {
            v->unknown->release();
        }
    }
    variant_init(v);
}

HRESULT variant_copy(Variant* dst, const Variant* src) {
    if (dst == src) return S_OK;
    Variant copy;
    variant_init(&copy);
    copy.vt = src->vt;
    if ((src->vt & VT_ARRAY) && !(src->vt & VT_BYREF)) {
        copy.array = src->array ? safe_array_copy(src->array) : nullptr;
        if (src->array && !copy.array) return E_OUTOFMEMORY;
    } else if (src->vt == VT_BSTR || src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) {
        copy_element(VarType(src->vt), reinterpret_cast<uint8_t*>(&copy.ref),
                     reinterpret_cast<const uint8_t*>(&src->ref));
    } else {
        copy.i8 = src->i8;
    }
    assign(dst, copy);
    return S_OK;
}

HRESULT variant_copy_ind(Variant* dst, const Variant* src) {
    if (!(src->vt & VT_BYREF)) return variant_copy(dst, src);
    uint16_t target = src->vt & ~VT_BYREF;
    if (!src->ref) return E_POINTER;
    if (target == VT_VARIANT) return variant_copy_ind(dst, static_cast<const Variant*>(src->ref));
    Variant value;
    variant_init(&value);
    value.vt = target;
    if (target & VT_ARRAY) {
        value.ref = *static_cast<SafeArray* const*>(src->ref);
    } else {
        uint32_t size = element_size_of(VarType(target));
        if (size == 0) return DISP_E_BADVARTYPE;
        std::memcpy(&value.ref, src->ref, size);
    }
    return variant_copy(dst, &value);
}

HRESULT variant_change_type(Variant* dst, const Variant* src, uint16_t target) {
    Variant plain;
    variant_init(&plain);
    HRESULT hr = variant_copy_ind(&plain, src);
    if (failed(hr)) return hr;
    if (plain.vt == target) {
        assign(dst, plain);
        return S_OK;
    }
    Variant converted;
    variant_init(&converted);
    hr = convert(plain, target, &converted);
    variant_clear(&plain);
    if (failed(hr)) {
        variant_clear(&converted);
        return hr;
    }
    assign(dst, converted);
    return S_OK;
}

}  // namespace qinghe::platform
