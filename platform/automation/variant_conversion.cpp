// Conversions between VARIANT types.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/automation/object_model.h"
#include "platform/automation/variant.h"
#include "platform/automation/variant_detail.h"

namespace qinghe::platform {
namespace {

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

// Program text converts by way of its BSTR, in either direction.
HRESULT via_bstr(const Variant& src, uint16_t target, Variant* out) {
    Variant text;
    variant_init(&text);
    HRESULT hr = S_OK;
    if (src.vt == VT_LPSTR) {
        text.vt = VT_BSTR;
        text.bstr = bstr_from_gbk(src.lpstr ? src.lpstr : "");
    } else {
        hr = variant_change_type(&text, &src, VT_BSTR);
    }
    if (succeeded(hr) && target == VT_LPSTR) {
        out->vt = VT_LPSTR;
        out->lpstr = strdup(gbk_from_bstr(text.bstr).c_str());
        if (!out->lpstr) hr = E_OUTOFMEMORY;
    } else if (succeeded(hr)) {
        hr = variant_change_type(out, &text, target);
    }
    variant_clear(&text);
    return hr;
}

}  // namespace

HRESULT detail::convert(const Variant& src, uint16_t target, Variant* out) {
    if (src.vt == VT_LPSTR || target == VT_LPSTR) return via_bstr(src, target, out);
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

}  // namespace qinghe::platform
