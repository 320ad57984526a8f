#include "analysis/sources/charset_conversion.h"

#include <initializer_list>
#include <vector>

#include "commands/automation_commands.h"
#include "commands/automation_values.h"
#include "commands/core_commands.h"
#include "program_resources.h"
#include "runtime/dll_commands.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

constexpr int32_t kTypeBinary = 1;
constexpr int32_t kTypeText = 2;
constexpr int32_t kVariantKindIntArray = 7;
constexpr int32_t kElementKindByte = 1;

TaggedArg run(CoreCommand command, std::initializer_list<TaggedArg> args) {
    std::vector<TaggedArg> list(args);
    return call_core_command(core_command(command), int32_t(list.size()), list.data());
}

// An argument passed by reference: the address of the caller's variable.
TaggedArg by_reference(const void* variable, uint32_t tag) {
    return TaggedArg::of_pointer(variable, tag | TypeTag::kArrayFlag);
}

TaggedArg text(const char* t) { return TaggedArg::of_text(t); }

// The stream object's side of one conversion: every member call goes
// through the object commands, and a failing one is remembered so that the
// conversion can answer with the empty byte set instead of partial output.
class StreamCalls {
public:
    explicit StreamCalls(ComObjectBlock* block)
        : stream_(TaggedArg::of_pointer(block, TypeTag::kComObject)) {}

    TaggedArg object() const { return stream_; }
    bool all_succeeded() const { return all_succeeded_; }

    void create() {
        note(run(CoreCommand::object_create, {stream_, text("Adodb.Stream")}).as_bool());
    }
    void property(const char* name, TaggedArg value) {
        note(run(CoreCommand::object_write_property, {stream_, text(name), value}).as_bool());
    }
    TaggedArg method(CoreCommand command, const char* name,
                     std::initializer_list<TaggedArg> args = {}) {
        std::vector<TaggedArg> list = {stream_, text(name)};
        list.insert(list.end(), args);
        TaggedArg result =
            call_core_command(core_command(command), int32_t(list.size()), list.data());
        note(last_object_call_status() == ObjectCallStatus::kOk);
        return result;
    }

private:
    void note(bool ok) { all_succeeded_ = all_succeeded_ && ok; }

    TaggedArg stream_;
    bool all_succeeded_ = true;
};

}  // namespace

ByteSet* convert_charset(const ByteSet* bytes, const char* from, const char* to) {
    // The thread enters the object library for the call and leaves it at the end.
    call_dll_command(resources::dll_command::CoInitialize, nullptr);

    auto stream_block = static_cast<ComObjectBlock*>(mem_alloc(sizeof(ComObjectBlock)));
    *stream_block = {};
    auto input = static_cast<VariantBlock*>(mem_alloc(sizeof(VariantBlock)));
    platform::variant_init(input);
    TaggedArg input_value = TaggedArg::of_pointer(input, TypeTag::kVariant);
    StreamCalls stream(stream_block);

    stream.create();
    stream.property("Type", TaggedArg::of_int(kTypeBinary));
    stream.method(CoreCommand::object_call_method, "Open");
    run(CoreCommand::variant_set_type, {input_value, TaggedArg::of_int(kVariantKindIntArray)});
    TaggedArg length = run(CoreCommand::byte_set_length, {TaggedArg::of_byte_set(bytes)});
    run(CoreCommand::variant_create_array,
        {input_value, TaggedArg::of_int(kElementKindByte), length});
    run(CoreCommand::variant_assign, {input_value, TaggedArg::of_byte_set(bytes)});
    stream.method(CoreCommand::object_call_method, "Write",
                  {by_reference(&input, TypeTag::kVariant)});
    // Each copy of the page is released as soon as the next step holds it.
    run(CoreCommand::variant_clear, {input_value});
    mem_free(input);
    stream.property("Position", TaggedArg::of_int(0));
    stream.property("Type", TaggedArg::of_int(kTypeText));
    stream.property("Charset", by_reference(&from, TypeTag::kText));
    auto decoded = static_cast<char*>(
        stream.method(CoreCommand::object_call_text_method, "ReadText").pointer());
    stream.method(CoreCommand::object_call_method, "Close");
    stream.method(CoreCommand::object_call_method, "Open");
    stream.property("Charset", by_reference(&to, TypeTag::kText));
    stream.method(CoreCommand::object_call_method, "WriteText",
                  {by_reference(&decoded, TypeTag::kText)});
    mem_free(decoded);
    stream.property("Position", TaggedArg::of_int(0));
    stream.property("Type", TaggedArg::of_int(kTypeBinary));
    TaggedArg output = stream.method(CoreCommand::object_call_variant_method, "Read");
    // The stream and its bytes go before the byte set is made from the copy read.
    run(CoreCommand::object_clear, {stream.object()});
    mem_free(stream_block);
    auto result = static_cast<ByteSet*>(run(CoreCommand::variant_to_byte_set, {output}).pointer());
    run(CoreCommand::variant_clear, {output});
    mem_free(output.pointer());

    call_dll_command(resources::dll_command::CoUninitialize);

    if (stream.all_succeeded() && byte_set_size(result) > 0) return result;
    mem_free(result);
    return nullptr;
}

}  // namespace qinghe
