#include <gtest/gtest.h>

#include "runtime/memory.h"
#include "runtime/values.h"

namespace qinghe {
namespace {

TEST(TaggedArg, PointerFillsBothWords) {
    int x = 0;
    TaggedArg a = TaggedArg::of_pointer(&x, TypeTag::kText);
    EXPECT_EQ(a.pointer(), &x);
    EXPECT_EQ(a.type, TypeTag::kText);
}

TEST(TaggedArg, OmittedHasZeroWords) {
    TaggedArg a{};
    EXPECT_TRUE(a.omitted());
    EXPECT_EQ(a.lo, 0u);
    EXPECT_EQ(a.hi, 0u);
}

TEST(Memory, EmptyValuesAreNull) {
    EXPECT_EQ(make_text(""), nullptr);
    EXPECT_EQ(make_byte_set(""), nullptr);
}

TEST(Memory, ConstantsSurviveFreeAndRealloc) {
    static const char area[] = "abcdefgh";
    set_constant_area(area, sizeof area);
    mem_free(const_cast<char*>(area + 2));
    auto copy = static_cast<char*>(mem_realloc(const_cast<char*>(area + 6), 100));
    EXPECT_NE(copy, area + 6);
    EXPECT_EQ(copy[0], 'g');
    EXPECT_EQ(copy[1], 'h');
    EXPECT_EQ(copy[2], 0);
    EXPECT_STREQ(area, "abcdefgh");
    mem_free(copy);
    clear_constant_area();
}

}  // namespace
}  // namespace qinghe
