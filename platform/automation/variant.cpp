#include "platform/automation/variant.h"

#include <cstdlib>
#include <cstring>

#include "platform/automation/object_model.h"
#include "platform/automation/variant_detail.h"

namespace qinghe::platform {

using namespace detail;

namespace {

// Puts `value` (already in its final form) into dst, replacing what was there.
void assign(Variant* dst, const Variant& value) {
    variant_clear(dst);
    std::memcpy(static_cast<void*>(dst), &value, sizeof value);
}

}  // namespace

void variant_init(Variant* v) { std::memset(static_cast<void*>(v), 0, sizeof *v); }

void variant_clear(Variant* v) {
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            safe_array_destroy(v->array);
        } else if (v->vt == VT_BSTR) {
            bstr_free(v->bstr);
        } else if (v->vt == VT_LPSTR) {
            std::free(v->lpstr);
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
    } else if (src->vt == VT_LPSTR) {
        copy.lpstr = src->lpstr ? strdup(src->lpstr) : nullptr;
        if (src->lpstr && !copy.lpstr) return E_OUTOFMEMORY;
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
    } else if (target == VT_LPSTR) {
        value.lpstr = *static_cast<char* const*>(src->ref);
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
