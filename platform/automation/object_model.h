// The automation object model: reference-counted objects, the dispatch
// interface through which members are called by id, and the type
// information that names those members, their invocation kinds and their
// parameters.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/automation/result_codes.h"
#include "platform/automation/variant.h"

namespace qinghe::platform {

class Dispatch;

// The base interface: reference counting and the query for the dispatch
// interface. A new object starts with one reference.
class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    uint32_t add_ref();
    uint32_t release();
    // The dispatch interface with a reference added, or null without one.
    virtual Dispatch* query_dispatch() { return nullptr; }
    // Puts a newly created object into its running state.
    virtual HRESULT run() { return S_OK; }

protected:
    Object() = default;
    virtual ~Object() = default;

private:
    std::atomic<uint32_t> references_{1};
};

using MemberId = int32_t;
// The named argument that carries the value of a property put.
inline constexpr MemberId DISPID_PROPERTYPUT = -3;

// Invocation kinds (bit flags, also used as invoke flags).
enum InvokeKind : uint16_t {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8,
};

namespace ParamFlag {
inline constexpr uint16_t kIn = 0x01;
inline constexpr uint16_t kOut = 0x02;
inline constexpr uint16_t kOptional = 0x10;
// A BSTR parameter that also takes the program's text as it is: a
// VT_BYREF | VT_LPSTR argument reaches the member unconverted.
inline constexpr uint16_t kProgramText = 0x100;
}  // namespace ParamFlag

// A parameter: its VARIANT type (with VT_BYREF for a by-reference
// parameter, VT_ARRAY for an array) and its flags.
struct ParamDesc {
    uint16_t type;
    uint16_t flags = ParamFlag::kIn;
};

struct FunctionDesc {
    MemberId id;
    const char* name;  // ASCII, matched case-insensitively
    InvokeKind kind;
    std::vector<ParamDesc> params;
    uint16_t result_type = VT_EMPTY;
    bool varargs = false;  // extra arguments take the last parameter's type
};

// A data member, read and written as a property.
struct VariableDesc {
    MemberId id;
    const char* name;
    uint16_t type;
};

// What a name binds to: a function, a variable, or nothing.
struct Binding {
    const FunctionDesc* function = nullptr;
    const VariableDesc* variable = nullptr;
    bool found() const { return function || variable; }
};

class TypeInfo {
public:
    TypeInfo(std::vector<FunctionDesc> functions, std::vector<VariableDesc> variables);

    // Binds a member name for one invocation kind. Variables bind for any kind.
    Binding bind(std::u16string_view name, uint16_t kind) const;
    const FunctionDesc* function(MemberId id, uint16_t flags) const;
    const VariableDesc* variable(MemberId id) const;

private:
    std::vector<FunctionDesc> functions_;
    std::vector<VariableDesc> variables_;
};

// Arguments of an invocation, last argument first; a property put carries
// its value as args[0] named DISPID_PROPERTYPUT.
struct DispParams {
    Variant* args = nullptr;
    const MemberId* named_ids = nullptr;
    uint32_t arg_count = 0;
    uint32_t named_count = 0;
};

class Dispatch : public Object {
public:
    Dispatch* query_dispatch() override;
    // The object's type information, or null when it provides none.
    virtual const TypeInfo* type_info() const = 0;
    // Calls a member. On failure *arg_error may name the offending
    // argument (its index in params.args). A caller that wants a text
    // result as program text presets *result to VT_LPSTR (null): a member
    // that can answers in that form, any other answers as it always does.
    virtual HRESULT invoke(MemberId member, uint16_t flags, const DispParams& params,
                           Variant* result, uint32_t* arg_error) = 0;
};

// A dispatch object whose calls are checked against its type information:
// argument count, named arguments, optional parameters and coercion to the
// declared types happen here; the object implements the members.
class TypedDispatch : public Dispatch {
public:
    HRESULT invoke(MemberId member, uint16_t flags, const DispParams& params, Variant* result,
                   uint32_t* arg_error) override;

protected:
    // Arguments in declared order, coerced; a by-reference parameter gets
    // the caller's by-reference VARIANT, an omitted optional one VT_ERROR
    // DISP_E_PARAMNOTFOUND.
    virtual HRESULT call(const FunctionDesc& function, std::span<Variant> args,
                         Variant* result) = 0;
    // Storage of a data member; null for an object without variables.
    virtual Variant* variable_storage(MemberId) { return nullptr; }

private:
    HRESULT access_variable(const VariableDesc& variable, uint16_t flags, const DispParams& params,
                            Variant* result);
};

bool is_missing(const Variant& v);
Variant missing_argument();

}  // namespace qinghe::platform
