// SAFEARRAYs: storage, copies and element access.
#include <cstring>

#include "platform/automation/object_model.h"
#include "platform/automation/variant.h"
#include "platform/automation/variant_detail.h"

namespace qinghe::platform {

using namespace detail;

namespace {

// Arrays larger than this are refused rather than attempted.
constexpr uint64_t kMaxArrayBytes = uint64_t(1) << 31;

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

}  // namespace

HRESULT detail::copy_element(VarType type, uint8_t* dst, const uint8_t* src) {
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

}  // namespace qinghe::platform
