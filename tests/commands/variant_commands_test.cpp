#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/automation_values.h"
#include "commands/core_commands.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

using namespace platform;

class VariantCommands : public ::testing::Test {
protected:
    void SetUp() override { v = new_variant_block(); }
    void TearDown() override {
        run(CoreCommand::variant_clear, {});
        mem_free(v);
    }

    TaggedArg run(CoreCommand command, std::vector<TaggedArg> rest) {
        std::vector<TaggedArg> args = {TaggedArg::of_pointer(v, TypeTag::kVariant)};
        args.insert(args.end(), rest.begin(), rest.end());
        return call_core_command(core_command(command), int32_t(args.size()), args.data());
    }
    std::string to_bytes(std::vector<TaggedArg> rest = {}) {
        TaggedArg r = run(CoreCommand::variant_to_byte_set, rest);
        std::string bytes(byte_set_view(r.byte_set()));
        mem_free(r.pointer());
        return bytes;
    }

    VariantBlock* v = nullptr;
};

TEST_F(VariantCommands, CreateArrayOfBytesHasBoundsOneToCount) {
    EXPECT_TRUE(
        run(CoreCommand::variant_create_array, {TaggedArg::of_int(1), TaggedArg::of_int(10)})
            .as_bool());
    ASSERT_EQ(v->vt, VT_ARRAY | VT_UI1);
    ASSERT_EQ(v->array->bounds.size(), 1u);
    EXPECT_EQ(v->array->bounds[0].lower, 1);
    EXPECT_EQ(v->array->bounds[0].count, 10u);
    EXPECT_FALSE(
        run(CoreCommand::variant_create_array, {TaggedArg::of_int(11), TaggedArg::of_int(3)})
            .as_bool());
    EXPECT_FALSE(
        run(CoreCommand::variant_create_array, {TaggedArg::of_int(1), TaggedArg::of_int(-1)})
            .as_bool());
}

TEST_F(VariantCommands, ByteSetAssignedBecomesAByteArrayFromOne) {
    ByteSet* bytes = make_byte_set("abc");
    EXPECT_TRUE(run(CoreCommand::variant_assign, {TaggedArg::of_byte_set(bytes)}).as_bool());
    ASSERT_EQ(v->vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(v->array->bounds[0].lower, 1);
    EXPECT_EQ(v->array->bounds[0].count, 3u);
    EXPECT_EQ(to_bytes(), "abc");
    mem_free(bytes);
}

TEST_F(VariantCommands, ToByteSetGivesEmptyForEmptyAndNonByteArrays) {
    run(CoreCommand::variant_create_array, {TaggedArg::of_int(1), TaggedArg::of_int(0)});
    EXPECT_EQ(to_bytes(), "");
    run(CoreCommand::variant_create_array, {TaggedArg::of_int(3), TaggedArg::of_int(4)});
    EXPECT_EQ(to_bytes(), "");
    run(CoreCommand::variant_assign, {TaggedArg::of_int(5)});
    EXPECT_EQ(to_bytes(), "");
    // A text converts: its UTF-16 units as bytes.
    run(CoreCommand::variant_assign, {TaggedArg::of_text("AB")});
    EXPECT_EQ(to_bytes(), std::string("A\0B\0", 4));
}

TEST_F(VariantCommands, SetTypeClearsAndConvertsTheEmptyVariant) {
    struct Row {
        int32_t kind;
        bool ok;
        uint16_t vt;
    };
    const Row rows[] = {{0, true, VT_EMPTY},  {1, true, VT_I4},     {2, true, VT_BSTR},
                        {3, true, VT_BOOL},   {7, false, VT_EMPTY}, {14, false, VT_EMPTY},
                        {-1, false, VT_EMPTY}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        run(CoreCommand::variant_assign, {TaggedArg::of_text("was here")});
        EXPECT_EQ(run(CoreCommand::variant_set_type, {TaggedArg::of_int(row.kind)}).as_bool(),
                  row.ok);
        EXPECT_EQ(v->vt, row.vt);
    }
}

TEST_F(VariantCommands, IndexedAssignmentAndReadOfElements) {
    run(CoreCommand::variant_create_array, {TaggedArg::of_int(1), TaggedArg::of_int(3)});
    EXPECT_TRUE(
        run(CoreCommand::variant_assign, {TaggedArg::of_int(65), TaggedArg::of_int(2)}).as_bool());
    EXPECT_FALSE(
        run(CoreCommand::variant_assign, {TaggedArg::of_int(300), TaggedArg::of_int(1)}).as_bool());
    EXPECT_FALSE(
        run(CoreCommand::variant_assign, {TaggedArg::of_int(1), TaggedArg::of_int(4)}).as_bool());
    EXPECT_FALSE(
        run(CoreCommand::variant_assign, {TaggedArg::of_int(1), TaggedArg::of_int(0)}).as_bool());
    EXPECT_EQ(to_bytes(), std::string("\0A\0", 3));
    // A byte set goes into an element only when the elements are VARIANTs.
    ByteSet* bytes = make_byte_set("xy");
    EXPECT_FALSE(
        run(CoreCommand::variant_assign, {TaggedArg::of_byte_set(bytes), TaggedArg::of_int(1)})
            .as_bool());
    run(CoreCommand::variant_create_array, {TaggedArg::of_int(10), TaggedArg::of_int(2)});
    EXPECT_TRUE(
        run(CoreCommand::variant_assign, {TaggedArg::of_byte_set(bytes), TaggedArg::of_int(2)})
            .as_bool());
    EXPECT_EQ(to_bytes({TaggedArg::of_int(2)}), "xy");
    EXPECT_EQ(to_bytes({TaggedArg::of_int(1)}), "");
    mem_free(bytes);
}

TEST_F(VariantCommands, ArrayValueBecomesAnArrayOfItsElementType) {
    ArrayBlock* texts = make_array(2, int32_t(sizeof(void*)));
    texts->set_pointer_at(0, make_text("a"));
    texts->set_pointer_at(1, nullptr);
    EXPECT_TRUE(run(CoreCommand::variant_assign,
                    {TaggedArg::of_pointer(texts, TypeTag::kText | TypeTag::kArrayFlag)})
                    .as_bool());
    ASSERT_EQ(v->vt, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(v->array->element_count(), 2u);
    mem_free(texts->pointer_at(0));
    mem_free(texts);
}

}  // namespace
}  // namespace qinghe
