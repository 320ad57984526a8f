#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands/automation_commands.h"
#include "commands/automation_values.h"
#include "commands/core_commands.h"
#include "commands/variant_commands.h"
#include "platform/automation/class_registry.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"
#include "support/com_thread.h"

namespace qinghe {
namespace {

using namespace platform;

// A recording test class: "Note" exists only as a method, "Fill" has
// output parameters, "Sum" takes a variable argument list, "Label" is a
// data member.
enum Member : MemberId { kNote = 1, kFill, kSum, kLabel, kFail, kKeep, kLook, kSay, kGive };

struct Recorder {
    int calls = 0;
    std::u16string last_text;
    std::string last_bytes;
    std::vector<uint16_t> arg_types;
    std::string said;  // what "Say" was given, as GBK
};

class TestObject : public TypedDispatch {
public:
    static inline Recorder* recorder = nullptr;

    const TypeInfo* type_info() const override {
        constexpr uint16_t kOut = ParamFlag::kIn | ParamFlag::kOut;
        static const TypeInfo info(
            {
                {kNote, "Note", INVOKE_FUNC, {{VT_BSTR}}},
                {kFill,
                 "Fill",
                 INVOKE_FUNC,
                 {{VT_BYREF | VT_I4, kOut}, {VT_BYREF | VT_BSTR, kOut}}},
                {kSum, "Sum", INVOKE_FUNC, {{VT_I4}}, VT_I4, true},
                {kFail, "Fail", INVOKE_FUNC, {}},
                {kKeep, "Keep", INVOKE_FUNC, {{VT_UNKNOWN}}},
                {kLook, "Look", INVOKE_FUNC, {{VT_VARIANT}}},
                {kSay, "Say", INVOKE_FUNC, {{VT_BSTR, ParamFlag::kIn | ParamFlag::kProgramText}}},
                {kGive, "Give", INVOKE_FUNC, {}, VT_BSTR},
            },
            {{kLabel, "Label", VT_BSTR}});
        return &info;
    }

protected:
    HRESULT call(const FunctionDesc& f, std::span<Variant> args, Variant* result) override {
        recorder->calls++;
        for (const Variant& a : args) recorder->arg_types.push_back(a.vt);
        switch (f.id) {
        case kNote: recorder->last_text = bstr_view(args[0].bstr); return S_OK;
        case kFill:
            *static_cast<int32_t*>(args[0].ref) += 1;
            bstr_free(*static_cast<Bstr*>(args[1].ref));
            *static_cast<Bstr*>(args[1].ref) = bstr_alloc(u"填好");
            return S_OK;
        case kKeep: return S_OK;
        case kSay:
            recorder->said = args[0].vt == VT_BSTR ? gbk_from_bstr(args[0].bstr)
                                                   : *static_cast<const char* const*>(args[0].ref);
            return S_OK;
        case kGive:  // program text when asked for it, else a BSTR
            if (result->vt == VT_LPSTR) {
                result->lpstr = strdup(gbk_from_utf8("持仓").c_str());
            } else {
                result->vt = VT_BSTR;
                result->bstr = bstr_alloc(u"持仓");
            }
            return S_OK;
        case kLook:
            if (args[0].vt == (VT_ARRAY | VT_UI1))
                recorder->last_bytes.assign(args[0].array->data.begin(), args[0].array->data.end());
            return S_OK;
        case kSum:
            result->vt = VT_I4;
            result->i4 = 0;
            for (const Variant& a : args) result->i4 += a.i4;
            return S_OK;
        default: return DISP_E_EXCEPTION;
        }
    }
    Variant* variable_storage(MemberId) override { return &label_; }

private:
    ~TestObject() override { variant_clear(&label_); }
    Variant label_{};
};

// An object without a dispatch interface.
class PlainObject : public Object {};

const ClassId kTestClass{0x11112222, 0x3333, 0x4444, {1, 2, 3, 4, 5, 6, 7, 8}};
const ClassId kPlainClass{0x11112222, 0x3333, 0x4444, {9, 9, 9, 9, 9, 9, 9, 9}};

std::string gbk(const char* utf8) { return gbk_from_utf8(utf8); }

class AutomationCommands : public ::testing::Test {
protected:
    void SetUp() override {
        TestObject::recorder = &recorder;
        register_class(kTestClass, "Qinghe.TestObject", ClassContext::kInprocServer,
                       [] { return static_cast<Object*>(new TestObject); });
        register_class(kPlainClass, "Qinghe.Plain", ClassContext::kInprocServer,
                       [] { return static_cast<Object*>(new PlainObject); });
        block = new_object_block();
    }
    void TearDown() override {
        clear_object_block(block);
        mem_free(block);
        unregister_class(kTestClass);
        unregister_class(kPlainClass);
    }

    TaggedArg object() const { return TaggedArg::of_pointer(block, TypeTag::kComObject); }

    bool create(const char* name) {
        TaggedArg args[] = {object(), TaggedArg::of_text(name)};
        return call_core_command(core_command(CoreCommand::object_create), 2, args).as_bool();
    }

    TaggedArg call(CoreCommand command, std::vector<TaggedArg> rest, const char* member) {
        std::vector<TaggedArg> args = {object(), TaggedArg::of_text(member)};
        args.insert(args.end(), rest.begin(), rest.end());
        return call_core_command(core_command(command), int32_t(args.size()), args.data());
    }

    std::optional<testing_support::ComThread> com{std::in_place};
    Recorder recorder;
    ComObjectBlock* block = nullptr;
};

TEST_F(AutomationCommands, CreatesByProgIdAnyCaseAndByClassIdInBraces) {
    EXPECT_TRUE(create("qinghe.testobject"));
    Object* first = block->object;
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(create(class_id_to_string(kTestClass).c_str()));
    EXPECT_NE(block->object, first);  // the old object was released and replaced
}

TEST_F(AutomationCommands, UnknownIdentifierLeavesTheObjectUnchanged) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    Object* before = block->object;
    EXPECT_FALSE(create("No.Such.Class"));
    EXPECT_FALSE(create("{00000000-0000-0000-0000-000000000001}"));
    EXPECT_FALSE(create("{not a class id}"));
    EXPECT_EQ(block->object, before);
}

TEST_F(AutomationCommands, CreationNeedsAnInitialisedThread) {
    com.reset();
    EXPECT_FALSE(create("Qinghe.TestObject"));
    com.emplace();
}

TEST_F(AutomationCommands, PropertyWriteOnAMethodCallsItWithTheValue) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    std::string text = gbk("持仓占比");
    TaggedArg r =
        call(CoreCommand::object_write_property, {TaggedArg::of_text(text.c_str())}, "note");
    EXPECT_TRUE(r.as_bool());
    EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kOk);
    EXPECT_EQ(recorder.calls, 1);
    // The GBK text arrives as the same characters in UTF-16.
    EXPECT_EQ(recorder.last_text, u"持仓占比");
}

TEST_F(AutomationCommands, TooManyArgumentsFailWithoutInvoking) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    call(CoreCommand::object_call_method, {TaggedArg::of_text("a"), TaggedArg::of_int(1)}, "Note");
    EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kTooManyArguments);
    EXPECT_EQ(recorder.calls, 0);
    // Trailing omitted arguments do not count.
    call(CoreCommand::object_call_method, {TaggedArg::of_text("a"), TaggedArg{}}, "Note");
    EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kOk);
}

TEST_F(AutomationCommands, VariableArgumentListTakesExtraArguments) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    TaggedArg r =
        call(CoreCommand::object_call_text_method,
             {TaggedArg::of_int(2), TaggedArg::of_double(40.0), TaggedArg::of_int(5)}, "Sum");
    EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kOk);
    EXPECT_STREQ(r.text(), "47");
    mem_free(r.pointer());
}

TEST_F(AutomationCommands, OutputParametersAreWrittenBackToTheCallersVariables) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    int32_t number = 41;
    char* text = make_text("old");
    call(CoreCommand::object_call_method,
         {TaggedArg::of_pointer(&number, TypeTag::kInt | TypeTag::kArrayFlag),
          TaggedArg::of_pointer(&text, TypeTag::kText | TypeTag::kArrayFlag)},
         "Fill");
    EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kOk);
    EXPECT_EQ(number, 42);
    EXPECT_EQ(std::string(text), gbk("填好"));
    mem_free(text);
    // Passed by value, nothing can be written back: the declared by-reference
    // parameter still gets a holder, and the caller's value stays.
    call(CoreCommand::object_call_method, {TaggedArg::of_int(7), TaggedArg::of_text("x")}, "Fill");
    EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kOk);
}

TEST_F(AutomationCommands, VariantArgumentsArriveAndStayWithTheCaller) {
    // A variant argument is lent to the member, not copied: the member sees
    // its value and the caller's variant holds it unchanged afterwards.
    ASSERT_TRUE(create("Qinghe.TestObject"));
    const std::string bytes = "page\0bytes";
    ByteSet* set = make_byte_set(bytes);
    VariantBlock* array = new_variant_block();
    VariantBlock* text = new_variant_block();
    ASSERT_TRUE(variant_from_value(TaggedArg::of_byte_set(set), array));
    ASSERT_TRUE(variant_from_value(TaggedArg::of_text(gbk("持仓").c_str()), text));
    struct Row {
        const char* member;
        TaggedArg argument;
    } rows[] = {
        {"Look", TaggedArg::of_pointer(&array, TypeTag::kVariant | TypeTag::kArrayFlag)},
        {"Look", TaggedArg::of_pointer(array, TypeTag::kVariant)},
        {"Note", TaggedArg::of_pointer(&text, TypeTag::kVariant | TypeTag::kArrayFlag)},
        {"Note", TaggedArg::of_pointer(text, TypeTag::kVariant)},
    };
    for (const Row& row : rows) {
        for (int twice = 0; twice < 2; ++twice) {
            recorder = {};
            call(CoreCommand::object_call_method, {row.argument}, row.member);
            EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kOk) << row.member;
            if (row.member[0] == 'L') EXPECT_EQ(recorder.last_bytes, bytes);
            else EXPECT_EQ(recorder.last_text, u"持仓");
        }
    }
    ASSERT_EQ(array->vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(std::string(array->array->data.begin(), array->array->data.end()), bytes);
    EXPECT_EQ(bstr_view(text->bstr), u"持仓");
    for (VariantBlock* v : {array, text}) {
        platform::variant_clear(v);
        mem_free(v);
    }
    mem_free(set);
}

TEST_F(AutomationCommands, VariantResultIsHandedToTheCaller) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    TaggedArg r = call(CoreCommand::object_call_variant_method,
                       {TaggedArg::of_int(2), TaggedArg::of_int(5)}, "Sum");
    auto v = static_cast<VariantBlock*>(r.pointer());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->vt, VT_I4);
    EXPECT_EQ(v->i4, 7);
    mem_free(v);
}

TEST_F(AutomationCommands, ProgramTextIsLentOnlyWhereTheParameterTakesIt) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    const std::string text = gbk("持仓 9.87%");
    const char* variable = text.c_str();
    const TaggedArg by_reference =
        TaggedArg::of_pointer(&variable, TypeTag::kText | TypeTag::kArrayFlag);
    for (const TaggedArg& arg : {TaggedArg::of_text(text.c_str()), by_reference}) {
        recorder.arg_types.clear();
        call(CoreCommand::object_call_method, {arg}, "Say");
        EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kOk);
        EXPECT_EQ(recorder.arg_types, std::vector<uint16_t>{VT_BYREF | VT_LPSTR});
        EXPECT_EQ(recorder.said, text);
    }
    EXPECT_EQ(variable, text.c_str());  // the caller's variable is left as it was
    recorder.arg_types.clear();
    call(CoreCommand::object_call_method, {by_reference}, "Note");
    EXPECT_EQ(recorder.arg_types, std::vector<uint16_t>{VT_BSTR});
    EXPECT_EQ(recorder.last_text, u"持仓 9.87%");
}

// The process heap under other entry points: values then never take over
// a block the object made with malloc.
int g_other_heap_allocations = 0;
void* other_allocate(size_t size) {
    ++g_other_heap_allocations;
    return std::malloc(size);
}
void* other_reallocate(void* block, size_t size) { return std::realloc(block, size); }
void other_release(void* block) { std::free(block); }

TEST_F(AutomationCommands, TextResultIsTakenAsProgramTextWhereTheObjectGivesIt) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    TaggedArg r = call(CoreCommand::object_call_text_method, {}, "Give");
    EXPECT_EQ(r.text(), gbk("持仓"));
    mem_free(r.pointer());
    set_heap({other_allocate, other_reallocate, other_release});
    g_other_heap_allocations = 0;
    r = call(CoreCommand::object_call_text_method, {}, "Give");
    set_heap(process_heap());
    EXPECT_EQ(r.text(), gbk("持仓"));
    EXPECT_EQ(g_other_heap_allocations, 1);  // the text was copied into that heap
    mem_free(r.pointer());
    // Asked for a variant, the member answers with its BSTR.
    r = call(CoreCommand::object_call_variant_method, {}, "Give");
    auto v = static_cast<VariantBlock*>(r.pointer());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->vt, VT_BSTR);
    variant_clear(v);
    mem_free(v);
}

TEST_F(AutomationCommands, DataMemberIsWrittenAndRead) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    TaggedArg w = call(CoreCommand::object_write_property, {TaggedArg::of_int(12)}, "Label");
    EXPECT_TRUE(w.as_bool());
    TaggedArg r = call(CoreCommand::object_call_text_method, {}, "LABEL");
    EXPECT_STREQ(r.text(), "12");
    mem_free(r.pointer());
}

TEST_F(AutomationCommands, FailuresGiveStatusesAndEmptyResults) {
    struct Row {
        const char* create_as;  // null: leave the object empty
        const char* member;
        std::vector<TaggedArg> args;
        int32_t status;
    };
    TaggedArg unconvertible{0, 0, 0x80000006};
    const Row rows[] = {
        {nullptr, "Note", {}, ObjectCallStatus::kEmptyObject},
        {"Qinghe.Plain", "Note", {}, ObjectCallStatus::kNoDispatch},
        {"Qinghe.TestObject", "Missing", {}, ObjectCallStatus::kNoSuchMember},
        {"Qinghe.TestObject", "Note", {unconvertible}, ObjectCallStatus::kBadArgumentType},
        {"Qinghe.TestObject", "Fail", {}, ObjectCallStatus::kException},
        {"Qinghe.TestObject", "Note", {}, ObjectCallStatus::kParamNotOptional},
        {"Qinghe.TestObject", "Sum", {TaggedArg::of_text("abc")}, ObjectCallStatus::kTypeMismatch},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.member);
        clear_object_block(block);
        if (row.create_as) {
            ASSERT_TRUE(create(row.create_as));
        }
        TaggedArg t = call(CoreCommand::object_call_text_method, row.args, row.member);
        EXPECT_EQ(last_object_call_status(), row.status);
        EXPECT_EQ(t.pointer(), nullptr);
        TaggedArg v = call(CoreCommand::object_call_variant_method, row.args, row.member);
        auto variant = static_cast<VariantBlock*>(v.pointer());
        ASSERT_NE(variant, nullptr);  // a new, empty VARIANT
        EXPECT_EQ(variant->vt, VT_EMPTY);
        mem_free(variant);
    }
}

TEST_F(AutomationCommands, ObjectLikeDataTypesConvertAsObjects) {
    ASSERT_TRUE(create("Qinghe.TestObject"));
    DataTypeRecord types[2] = {};
    types[0].flags = 0x01000000;
    LibraryRecord library;
    library.type_count = 2;
    library.types = types;
    LibraryRecord* table[] = {&library};
    initialise_libraries(table, 1);
    ComObjectBlock* other = new_object_block();
    for (uint32_t type : {1u, 2u}) {
        TaggedArg value = TaggedArg::of_pointer(other, TypeTag::unit_type(1, type));
        call(CoreCommand::object_call_method, {value}, "Keep");
        EXPECT_EQ(last_object_call_status(),
                  type == 1 ? ObjectCallStatus::kOk : ObjectCallStatus::kBadArgumentType);
    }
    initialise_libraries(nullptr, 0);
    mem_free(other);
}

TEST_F(AutomationCommands, StatusIsPerThread) {
    call(CoreCommand::object_call_method, {}, "Note");
    EXPECT_EQ(last_object_call_status(), ObjectCallStatus::kEmptyObject);
    int32_t other = 1;
    std::thread([&] { other = last_object_call_status(); }).join();
    EXPECT_EQ(other, ObjectCallStatus::kOk);
}

}  // namespace
}  // namespace qinghe
