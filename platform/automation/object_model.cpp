#include "platform/automation/object_model.h"

#include "platform/ascii_case.h"
#include <algorithm>
#include <cstring>

namespace qinghe::platform {
namespace {

bool same_name(std::u16string_view a, const char* b) {
    std::string_view ascii(b);
    if (a.size() != ascii.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t c = a[i];
        if (c >= 0x80) return false;
        if (!ascii::same_folded(char(c), ascii[i])) return false;
    }
    return true;
}

bool is_put(uint16_t flags) { return flags & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF); }

// Checks the named arguments and returns the arguments in declared order.
HRESULT ordered_arguments(uint16_t kind, const DispParams& params, std::vector<Variant*>* out) {
    uint32_t positional = params.arg_count;
    if (is_put(kind)) {
        if (params.named_count != 1 || params.named_ids[0] != DISPID_PROPERTYPUT || !positional)
            return DISP_E_PARAMNOTFOUND;
    } else if (params.named_count != 0) {
        return DISP_E_NONAMEDARGS;
    }
    uint32_t first = is_put(kind) ? 1 : 0;
    for (uint32_t i = params.arg_count; i > first; --i) out->push_back(&params.args[i - 1]);
    if (first) out->push_back(&params.args[0]);
    return S_OK;
}

// The value a by-value argument stands for, when it can be lent to the
// member as it is: the argument itself or the VARIANT it refers to.
const Variant* lendable(const Variant& arg, const ParamDesc& param) {
    const Variant* value = &arg;
    if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.ref) value = static_cast<const Variant*>(arg.ref);
    if (value->vt & VT_BYREF) return nullptr;
    return param.type == VT_VARIANT || value->vt == param.type ? value : nullptr;
}

// Coerces one argument to its declared parameter into `slot`. An argument
// already of the declared type is lent, not copied (`lent` is set):
// members read their by-value arguments and leave them as they are.
HRESULT coerce(const Variant& arg, const ParamDesc& param, Variant* slot, bool* lent) {
    if (is_missing(arg)) {
        if (!(param.flags & ParamFlag::kOptional)) return DISP_E_PARAMNOTOPTIONAL;
        *slot = missing_argument();
        return S_OK;
    }
    if (arg.vt == (VT_BYREF | VT_LPSTR) && param.type == VT_BSTR &&
        (param.flags & ParamFlag::kProgramText)) {
        std::memcpy(static_cast<void*>(slot), &arg, sizeof arg);  // borrowed program text
        return S_OK;
    }
    if (param.type & VT_BYREF) {
        if (arg.vt != param.type) return DISP_E_TYPEMISMATCH;
        std::memcpy(static_cast<void*>(slot), &arg, sizeof arg);  // shares the caller's storage
        return S_OK;
    }
    if (const Variant* value = lendable(arg, param)) {
        std::memcpy(static_cast<void*>(slot), value, sizeof *value);
        *lent = true;
        return S_OK;
    }
    if (param.type == VT_VARIANT) return variant_copy_ind(slot, &arg);
    HRESULT hr = variant_change_type(slot, &arg, param.type);
    return failed(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

}  // namespace

uint32_t Object::add_ref() { return references_.fetch_add(1) + 1; }

uint32_t Object::release() {
    uint32_t left = references_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

TypeInfo::TypeInfo(std::vector<FunctionDesc> functions, std::vector<VariableDesc> variables)
    : functions_(std::move(functions)), variables_(std::move(variables)) {}

Binding TypeInfo::bind(std::u16string_view name, uint16_t kind) const {
    Binding b;
    for (const FunctionDesc& f : functions_) {
        if ((f.kind & kind) && same_name(name, f.name)) {
            b.function = &f;
            return b;
        }
    }
    for (const VariableDesc& v : variables_) {
        if (same_name(name, v.name)) {
            b.variable = &v;
            return b;
        }
    }
    return b;
}

const FunctionDesc* TypeInfo::function(MemberId id, uint16_t flags) const {
    auto it = std::find_if(functions_.begin(), functions_.end(),
                           [&](const FunctionDesc& f) { return f.id == id && (f.kind & flags); });
    return it == functions_.end() ? nullptr : &*it;
}

const VariableDesc* TypeInfo::variable(MemberId id) const {
    auto it = std::find_if(variables_.begin(), variables_.end(),
                           [&](const VariableDesc& v) { return v.id == id; });
    return it == variables_.end() ? nullptr : &*it;
}

Dispatch* Dispatch::query_dispatch() {
    add_ref();
    return this;
}

HRESULT TypedDispatch::invoke(MemberId member, uint16_t flags, const DispParams& params,
                              Variant* result, uint32_t* arg_error) {
    const TypeInfo* info = type_info();
    const FunctionDesc* function = info ? info->function(member, flags) : nullptr;
    if (!function) {
        const VariableDesc* variable = info ? info->variable(member) : nullptr;
        if (!variable) return DISP_E_MEMBERNOTFOUND;
        return access_variable(*variable, flags, params, result);
    }
    std::vector<Variant*> ordered;
    HRESULT hr = ordered_arguments(function->kind, params, &ordered);
    if (failed(hr)) return hr;
    const std::vector<ParamDesc>& declared = function->params;
    if (ordered.size() > declared.size() && !(function->varargs && !declared.empty()))
        return DISP_E_BADPARAMCOUNT;

    size_t count = std::max(ordered.size(), declared.size());
    std::vector<Variant> args(count);
    std::vector<bool> lent(count);
    for (Variant& a : args) variant_init(&a);
    for (size_t i = 0; i < count && succeeded(hr); ++i) {
        const ParamDesc& param = declared[std::min(i, declared.size() - 1)];
        Variant missing = missing_argument();
        bool is_lent = false;
        hr = coerce(i < ordered.size() ? *ordered[i] : missing, param, &args[i], &is_lent);
        lent[i] = is_lent;
        if (failed(hr) && arg_error && i < ordered.size())
            *arg_error = uint32_t(ordered[i] - params.args);
    }
    if (succeeded(hr)) hr = call(*function, args, result);
    for (size_t i = 0; i < count; ++i) {
        if (!lent[i] && !(args[i].vt & VT_BYREF)) variant_clear(&args[i]);
    }
    return hr;
}

HRESULT TypedDispatch::access_variable(const VariableDesc& variable, uint16_t flags,
                                       const DispParams& params, Variant* result) {
    Variant* storage = variable_storage(variable.id);
    if (!storage) return DISP_E_MEMBERNOTFOUND;
    if (flags & INVOKE_PROPERTYGET) {
        if (params.arg_count) return DISP_E_BADPARAMCOUNT;
        return result ? variant_copy(result, storage) : S_OK;
    }
    std::vector<Variant*> ordered;
    HRESULT hr = ordered_arguments(flags, params, &ordered);
    if (failed(hr)) return hr;
    if (ordered.size() != 1) return DISP_E_BADPARAMCOUNT;
    if (variable.type == VT_VARIANT) return variant_copy_ind(storage, ordered[0]);
    hr = variant_change_type(storage, ordered[0], variable.type);
    return failed(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

bool is_missing(const Variant& v) { return v.vt == VT_ERROR && v.error == DISP_E_PARAMNOTFOUND; }

Variant missing_argument() {
    Variant v;
    variant_init(&v);
    v.vt = VT_ERROR;
    v.error = DISP_E_PARAMNOTFOUND;
    return v;
}

}  // namespace qinghe::platform
