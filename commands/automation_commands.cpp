#include "commands/automation_commands.h"

#include <algorithm>
#include <span>
#include <vector>

#include "commands/automation_values.h"
#include "platform/automation/class_registry.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

using namespace platform;

thread_local int32_t t_last_status = ObjectCallStatus::kOk;

// Creation contexts: in-process server and handler, local and remote
// server; then the same without the remote server.
constexpr uint32_t kContextAll = 23;
constexpr uint32_t kContextLocal = 7;

// Invocation modes and the kinds each tries, in order. (Mode 1, property
// get then method, has no command.)
enum class InvokeMode { kPut = 2, kCall = 3 };

std::span<const uint16_t> kinds_of(InvokeMode mode) {
    static constexpr uint16_t kPut[] = {INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC};
    static constexpr uint16_t kCall[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT,
                                         INVOKE_PROPERTYPUTREF};
    return mode == InvokeMode::kPut ? std::span<const uint16_t>(kPut) : kCall;
}

int32_t status_of(HRESULT hr) {
    switch (hr) {
    case DISP_E_BADPARAMCOUNT: return ObjectCallStatus::kBadParamCount;
    case DISP_E_BADVARTYPE: return ObjectCallStatus::kBadVarType;
    case DISP_E_EXCEPTION: return ObjectCallStatus::kException;
    case DISP_E_MEMBERNOTFOUND: return ObjectCallStatus::kMemberNotFound;
    case DISP_E_NONAMEDARGS: return ObjectCallStatus::kNoNamedArgs;
    case DISP_E_OVERFLOW: return ObjectCallStatus::kOverflow;
    case DISP_E_PARAMNOTFOUND: return ObjectCallStatus::kParamNotFound;
    case DISP_E_TYPEMISMATCH: return ObjectCallStatus::kTypeMismatch;
    case DISP_E_PARAMNOTOPTIONAL: return ObjectCallStatus::kParamNotOptional;
    default: return ObjectCallStatus::kOtherFailure;
    }
}

ComObjectBlock* object_block(const TaggedArg& arg) {
    return static_cast<ComObjectBlock*>(arg.pointer());
}

// What a bound member takes and how it is invoked.
struct MemberCall {
    MemberId id = 0;
    uint16_t flags = 0;
    std::vector<ParamDesc> params;
    bool varargs = false;
};

bool bind_member(const TypeInfo& info, std::u16string_view name, InvokeMode mode,
                 MemberCall* call) {
    for (uint16_t kind : kinds_of(mode)) {
        Binding b = info.bind(name, kind);
        if (b.function) {
            *call = {b.function->id, b.function->kind, b.function->params, b.function->varargs};
            return true;
        }
        if (b.variable) {
            call->id = b.variable->id;
            uint16_t type = b.variable->type;
            if (mode != InvokeMode::kPut) {
                call->flags = INVOKE_PROPERTYGET;
            } else {
                bool by_ref = (type & VT_ARRAY) || type == VT_UNKNOWN || type == VT_DISPATCH;
                call->flags = by_ref ? INVOKE_PROPERTYPUTREF : INVOKE_PROPERTYPUT;
                call->params = {{type}};
            }
            return true;
        }
    }
    return false;
}

// One argument on its way to the object. A by-reference parameter gets a
// holder VARIANT and the argument points into it.
struct ArgumentSlot {
    Variant value;
    Variant holder;
    bool uses_holder = false;
    const char* program_text = nullptr;  // lent as it is, see lend_program_text
};

// Points `slot.value` into the holder the way the declared by-reference
// parameter wants it; otherwise the converted value is passed as it is.
void pass_by_reference(ArgumentSlot& slot, uint16_t declared) {
    uint16_t base = declared & ~VT_BYREF;
    Variant& holder = slot.holder;
    Variant& value = slot.value;
    if (base == VT_VARIANT) {
        value.vt = VT_BYREF | VT_VARIANT;
        value.ref = &holder;
    } else if ((base & VT_ARRAY) && (holder.vt & VT_ARRAY)) {
        value.vt = VT_BYREF | holder.vt;
        value.ref = &holder.array;
    } else if (holder.vt != VT_ERROR && succeeded(variant_change_type(&holder, &holder, base))) {
        value.vt = VT_BYREF | base;
        value.ref = &holder.ui1;
    } else {
        variant_copy(&value, &holder);
    }
}

class MemberInvoker {
public:
    MemberInvoker(InvokeMode mode, int32_t count, TaggedArg* args)
        : mode_(mode), args_(args, size_t(count > 0 ? count : 0)) {}

    ~MemberInvoker() {
        for (ArgumentSlot& slot : slots_) {
            if (!(slot.value.vt & VT_BYREF)) variant_clear(&slot.value);
            variant_clear(&slot.holder);
        }
        variant_clear(&result_);
        if (dispatch_) dispatch_->release();
    }

    int32_t run(uint32_t result_tag, TaggedArg* result) {
        int32_t status = prepare();
        if (status != ObjectCallStatus::kOk) return status;
        DispParams params;
        params.args = dispatch_args_.data();
        params.arg_count = uint32_t(dispatch_args_.size());
        static const MemberId kPutValue = DISPID_PROPERTYPUT;
        if (call_.flags & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) {
            params.named_ids = &kPutValue;
            params.named_count = 1;
        }
        // A text result is asked for as program text: a member that can
        // give it so spares a page's text its UTF-16 form.
        if (result_tag == TypeTag::kText) result_.vt = VT_LPSTR;
        uint32_t arg_error = 0;
        HRESULT hr = dispatch_->invoke(call_.id, call_.flags, params, &result_, &arg_error);
        if (failed(hr)) return status_of(hr);
        write_back();
        if (result_tag && !take_value_from_variant(result_, result_tag, result))
            return ObjectCallStatus::kBadResultType;
        return ObjectCallStatus::kOk;
    }

private:
    int32_t prepare() {
        if (args_.size() < 2) return ObjectCallStatus::kEmptyObject;
        std::u16string name = utf16_from_gbk(args_[1].text() ? args_[1].text() : "");
        ComObjectBlock* block = object_block(args_[0]);
        if (!block || !block->object) return ObjectCallStatus::kEmptyObject;
        dispatch_ = block->object->query_dispatch();
        if (!dispatch_) return ObjectCallStatus::kNoDispatch;
        const TypeInfo* info = dispatch_->type_info();
        if (!info) return ObjectCallStatus::kNoTypeInfo;
        if (!bind_member(*info, name, mode_, &call_)) return ObjectCallStatus::kNoSuchMember;

        std::span<TaggedArg> given = args_.subspan(2);
        while (!given.empty() && given.back().omitted()) given = given.first(given.size() - 1);
        size_t declared = call_.params.size();
        if (given.size() > declared && !(call_.varargs && declared > 0))
            return ObjectCallStatus::kTooManyArguments;
        slots_.resize(given.size());
        for (size_t i = 0; i < given.size(); ++i) {
            if (!convert_argument(given[i], call_.params[std::min(i, declared - 1)], slots_[i]))
                return ObjectCallStatus::kBadArgumentType;
        }
        // The object takes its arguments last first.
        for (auto it = slots_.rbegin(); it != slots_.rend(); ++it)
            dispatch_args_.push_back(it->value);
        return ObjectCallStatus::kOk;
    }

    static bool convert_argument(const TaggedArg& arg, const ParamDesc& param, ArgumentSlot& slot) {
        variant_init(&slot.value);
        variant_init(&slot.holder);
        Variant converted;
        if (arg.omitted()) {
            converted = missing_argument();
        } else {
            TaggedArg value = TypeTag::is_array(arg.type) ? read_variable(arg) : arg;
            if (lend_variant(value, param, slot) || lend_program_text(value, param, slot))
                return true;
            uint16_t object_type = base_type(param.type) == VT_DISPATCH ? VT_DISPATCH : VT_UNKNOWN;
            if (!variant_from_value(value, &converted, object_type)) return false;
        }
        if (!(param.type & VT_BYREF)) {
            slot.value = converted;
            return true;
        }
        slot.holder = converted;
        slot.uses_holder = true;
        pass_by_reference(slot, param.type);
        return true;
    }

    // A variant value for a by-value parameter is passed by reference to the
    // caller's VARIANT instead of as a copy: the object converts or lends it
    // for the call (a page-sized byte array is not copied on the way).
    static bool lend_variant(const TaggedArg& value, const ParamDesc& param, ArgumentSlot& slot) {
        auto block = static_cast<VariantBlock*>(value.pointer());
        if (value.type != TypeTag::kVariant || !block || (block->vt & VT_BYREF) ||
            (param.type & VT_BYREF))
            return false;
        slot.value.vt = VT_BYREF | VT_VARIANT;
        slot.value.ref = block;
        return true;
    }

    // A text for a BSTR parameter that takes program text is lent as it is,
    // by reference: the member reads the caller's GBK bytes, no BSTR is made.
    static bool lend_program_text(const TaggedArg& value, const ParamDesc& param,
                                  ArgumentSlot& slot) {
        if (value.type != TypeTag::kText || param.type != VT_BSTR ||
            !(param.flags & ParamFlag::kProgramText))
            return false;
        slot.program_text = value.text();
        slot.value.vt = VT_BYREF | VT_LPSTR;
        slot.value.ref = &slot.program_text;
        return true;
    }

    // Output parameters the caller passed by reference get the new values.
    void write_back() {
        std::span<TaggedArg> given = args_.subspan(2);
        for (size_t i = 0; i < slots_.size(); ++i) {
            const ParamDesc& param = call_.params[std::min(i, call_.params.size() - 1)];
            bool output = (param.type & VT_BYREF) && (param.flags & ParamFlag::kOut);
            if (!output || !slots_[i].uses_holder || !TypeTag::is_array(given[i].type)) continue;
            TaggedArg fresh;
            if (value_from_variant(slots_[i].holder, TypeTag::without_array(given[i].type), &fresh))
                write_variable(given[i], fresh);
        }
    }

    InvokeMode mode_;
    std::span<TaggedArg> args_;
    Dispatch* dispatch_ = nullptr;
    MemberCall call_;
    std::vector<ArgumentSlot> slots_;
    std::vector<Variant> dispatch_args_;
    Variant result_{};
};

// Runs a member call and records its status; a failed call with a wanted
// result leaves that type's empty value.
int32_t invoke_member(TaggedArg* result, uint32_t result_tag, int32_t count, TaggedArg* args,
                      InvokeMode mode) {
    int32_t status;
    {
        MemberInvoker invoker(mode, count, args);
        status = invoker.run(result_tag, result);
    }
    if (status != ObjectCallStatus::kOk && result_tag) *result = empty_value(result_tag);
    t_last_status = status;
    return status;
}

bool create_object(const char* name, Object** out) {
    std::string_view text = name ? name : "";
    ClassId id;
    HRESULT hr =
        text.starts_with('{') ? class_id_from_string(text, &id) : class_id_from_prog_id(text, &id);
    if (failed(hr)) return false;
    hr = create_instance(id, kContextAll, out);
    if (hr == E_INVALIDARG) hr = create_instance(id, kContextLocal, out);
    if (failed(hr)) return false;
    if (failed(run_object(*out))) {
        (*out)->release();
        return false;
    }
    return true;
}

}  // namespace

// Type libraries do not exist on this platform, so a type-library file
// given as the third argument is never loadable and creation always goes
// through the class registry.
void object_create(TaggedArg* result, int32_t count, TaggedArg* args) {
    result->type = TypeTag::kBool;
    ComObjectBlock* block = count >= 2 ? object_block(args[0]) : nullptr;
    Object* object = nullptr;
    if (!block || !create_object(args[1].text(), &object)) return;
    clear_object_block(block);
    block->object = object;
    result->lo = 1;
}

void object_write_property(TaggedArg* result, int32_t count, TaggedArg* args) {
    result->type = TypeTag::kBool;
    result->lo = invoke_member(result, 0, count, args, InvokeMode::kPut) == ObjectCallStatus::kOk;
}

void object_call_method(TaggedArg* result, int32_t count, TaggedArg* args) {
    invoke_member(result, 0, count, args, InvokeMode::kCall);
}

void object_call_text_method(TaggedArg* result, int32_t count, TaggedArg* args) {
    invoke_member(result, TypeTag::kText, count, args, InvokeMode::kCall);
}

void object_call_variant_method(TaggedArg* result, int32_t count, TaggedArg* args) {
    invoke_member(result, TypeTag::kVariant, count, args, InvokeMode::kCall);
}

void object_clear(TaggedArg*, int32_t count, TaggedArg* args) {
    if (count >= 1) clear_object_block(object_block(args[0]));
}

int32_t last_object_call_status() { return t_last_status; }

}  // namespace qinghe
