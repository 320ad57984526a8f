#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "commands/core_commands.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

TaggedArg call(CoreCommand command, TaggedArg arg) {
    return call_core_command(core_command(command), 1, &arg);
}

// The text result as a string; "<null>" for the null (empty) text, which
// must never be an allocated empty string.
std::string text_of(TaggedArg arg) {
    TaggedArg r = call(CoreCommand::to_text, arg);
    if (!r.text()) return "<null>";
    std::string s = r.text();
    mem_free(r.pointer());
    return s.empty() ? "<allocated empty>" : s;
}

std::string bytes_of(TaggedArg arg) {
    TaggedArg r = call(CoreCommand::to_byte_set, arg);
    if (!r.byte_set()) return "<null>";
    std::string s(byte_set_view(r.byte_set()));
    mem_free(r.pointer());
    return s;
}

TaggedArg date_time(double days) { return TaggedArg::of_double(days, TypeTag::kDateTime); }
TaggedArg of_short(int16_t v) { return {uint16_t(v), 0, TypeTag::kShort}; }
TaggedArg of_byte(uint8_t v) { return {v, 0, TypeTag::kByte}; }

// A numeric array block holding `bytes` as its elements.
struct ArrayValue {
    ArrayBlock* block;
    ArrayValue(uint32_t element_tag, std::string_view bytes) {
        int32_t width = element_width(element_tag);
        block = make_array(int32_t(bytes.size()) / width, width);
        std::memcpy(block->elements(), bytes.data(), bytes.size());
        tag = element_tag | TypeTag::kArrayFlag;
    }
    ~ArrayValue() { mem_free(block); }
    TaggedArg arg() const { return TaggedArg::of_pointer(block, tag); }
    uint32_t tag;
};

struct TextRow {
    TaggedArg value;
    const char* expected;  // UTF-8
};

TEST(ToText, NumbersTable) {
    const TextRow rows[] = {
        {TaggedArg::of_int(-5), "-5"},
        {of_byte(200), "200"},
        {of_short(-2), "-2"},
        {TaggedArg::of_long(-9000000000LL), "-9000000000"},
        {TaggedArg::of_float(0.1f), "0.1"},
        {TaggedArg::of_float(1.0f / 3), "0.333333"},
        {TaggedArg::of_float(0.0f), "0"},
        {TaggedArg::of_float(100000.0f), "100000"},
        {TaggedArg::of_float(123456789.0f), "1.23457e+008"},
        // Exact halves round away from zero, not to even.
        {TaggedArg::of_float(1234565.0f), "1.23457e+006"},
        {TaggedArg::of_float(-1234565.0f), "-1.23457e+006"},
        {TaggedArg::of_float(999999.5f), "1e+006"},
        {TaggedArg::of_float(1e-5f), "1e-005"},
        {TaggedArg::of_float(std::numeric_limits<float>::denorm_min()), "1.4013e-045"},
        {TaggedArg::of_float(std::numeric_limits<float>::max()), "3.40282e+038"},
        {TaggedArg::of_double(1.0 / 3), "0.3333333333333"},
        {TaggedArg::of_double(1e20), "1e+020"},
        {TaggedArg::of_double(0.1), "0.1"},
        {TaggedArg::of_double(-1e-7), "-1e-007"},
        {TaggedArg::of_double(1e100), "1e+100"},
        {TaggedArg::of_double(123456789012345.0), "1.234567890123e+014"},
    };
    for (const TextRow& row : rows) {
        EXPECT_EQ(text_of(row.value), row.expected) << std::hex << row.value.type;
    }
}

TEST(ToText, LogicalAndDateTimeTable) {
    constexpr double kNewYear2024 = 45292;
    const TextRow rows[] = {
        {TaggedArg::of_bool(true), "真"},
        {TaggedArg{7, 0, TypeTag::kBool}, "真"},
        {TaggedArg::of_bool(false), "假"},
        {date_time(kNewYear2024), "2024年1月1日"},
        {date_time(kNewYear2024 + 8.0 / 24 + 5.0 / 1440), "2024年1月1日8时5分"},
        {date_time(kNewYear2024 + 12.0 / 24), "2024年1月1日12时"},
        {date_time(kNewYear2024 + (8 * 3600 + 7) / 86400.0), "2024年1月1日8时0分7秒"},
        {date_time(kNewYear2024 + 0.9999999), "2024年1月2日"},
        {date_time(0), "1899年12月30日"},
        {date_time(-1.25), "1899年12月29日6时"},
        {date_time(1e9), "9999年12月31日"},
        {date_time(-1e9), "100年1月1日"},
        {date_time(std::nan("")), "1899年12月30日"},
    };
    for (const TextRow& row : rows) {
        EXPECT_EQ(text_of(row.value), platform::gbk_from_utf8(row.expected))
            << row.expected << " from " << row.value.as_double();
    }
}

TEST(ToText, TextsByteSetsAndArrays) {
    std::string abc0c("ab\0c", 4);
    ByteSet* bytes = make_byte_set(abc0c);
    EXPECT_EQ(text_of(TaggedArg::of_byte_set(bytes)), "ab");
    EXPECT_EQ(text_of(TaggedArg::of_byte_set(nullptr)), "<null>");
    mem_free(bytes);

    EXPECT_EQ(text_of(TaggedArg::of_text("\xD6\xD0x")), "\xD6\xD0x");
    EXPECT_EQ(text_of(TaggedArg::of_text(nullptr)), "<null>");

    ArrayValue ints(TypeTag::kInt, std::string_view("abcdefg\0xyz\0", 12));
    EXPECT_EQ(text_of(ints.arg()), "abcdefg");
    ArrayValue texts(TypeTag::kText, std::string(16, '\0'));
    EXPECT_EQ(text_of(texts.arg()), "<null>");
    EXPECT_EQ(text_of(TaggedArg{5, 0, TypeTag::kUnsigned32}), "<null>");
    EXPECT_EQ(text_of(TaggedArg{}), "<null>");
}

struct NumberRow {
    TaggedArg value;
    float expected;
};

TEST(ToNumber, TextsTable) {
    struct Row {
        const char* text;  // UTF-8, converted to GBK
        float expected;
    };
    const Row rows[] = {
        {" 12.5abc", 12.5f},
        {"１２", 12},
        {"－３．５", -3.5f},
        {"　８", 8},
        {"\t\n 7", 7},
        {"abc", 0},
        {"", 0},
        {"1e3", 1000},
        {"1e", 1},
        {"1e+x", 1},
        {".5", 0.5f},
        {"5.", 5},
        {".", 0},
        {"-", 0},
        {"+.e1", 0},
        {"0x1A", 0},
        {"inf", 0},
        {"nan", 0},
        {"1,5", 1},
        {"２ｅ２", 200},
        {"中5", 0},
    };
    for (const Row& row : rows) {
        std::string gbk = platform::gbk_from_utf8(row.text);
        TaggedArg r = call(CoreCommand::to_number, TaggedArg::of_text(gbk.c_str()));
        EXPECT_EQ(r.as_float(), row.expected) << row.text;
    }
    EXPECT_EQ(call(CoreCommand::to_number, TaggedArg::of_text(nullptr)).as_float(), 0);
}

TEST(ToNumber, OtherTypesTable) {
    const NumberRow rows[] = {
        {TaggedArg::of_bool(true), 1},
        {of_byte(200), 200},
        {of_short(-2), -2},
        {TaggedArg::of_long(1LL << 40), 1099511627776.0f},
        {TaggedArg{0xFFFFFFFFu, 0, TypeTag::kUnsigned32}, 4294967296.0f},
        {TaggedArg::of_float(2.5f), 2.5f},
        {TaggedArg::of_double(0.1), 0.1f},
        {date_time(45292), 0},
        {TaggedArg::of_byte_set(nullptr), 0},
    };
    for (const NumberRow& row : rows) {
        EXPECT_EQ(call(CoreCommand::to_number, row.value).as_float(), row.expected)
            << std::hex << row.value.type;
    }
}

TEST(ToByteSet, Table) {
    struct Row {
        TaggedArg value;
        std::string expected;
    };
    const Row rows[] = {
        {TaggedArg::of_int(1), std::string("\x01\0\0\0", 4)},
        {of_short(-2), "\xFE\xFF"},
        {TaggedArg{0x1FF, 0, TypeTag::kByte}, "\xFF"},
        {TaggedArg::of_bool(true), std::string("\x01\0\0\0", 4)},
        {TaggedArg::of_double(1.0), std::string("\0\0\0\0\0\0\xF0\x3F", 8)},
        {TaggedArg::of_long(0x0102030405060708LL), "\x08\x07\x06\x05\x04\x03\x02\x01"},
        {TaggedArg::of_text("ab"), "ab"},
        {TaggedArg::of_text(""), "<null>"},
        {TaggedArg{1, 2, TypeTag::kEightByte}, "<null>"},
        {TaggedArg{1, 2, TypeTag::unit_type(1, 1)}, "<null>"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(bytes_of(row.value), row.expected) << std::hex << row.value.type;
    }
}

TEST(ToByteSet, CopiesByteSetsAndNumericArrays) {
    ByteSet* original = make_byte_set(std::string_view("a\0b", 3));
    TaggedArg copy = call(CoreCommand::to_byte_set, TaggedArg::of_byte_set(original));
    EXPECT_NE(copy.byte_set(), original);
    EXPECT_EQ(byte_set_view(copy.byte_set()), byte_set_view(original));
    EXPECT_EQ(call(CoreCommand::byte_set_length, copy).as_int(), 3);
    mem_free(copy.pointer());
    mem_free(original);

    std::string two_shorts("\x01\x00\x00\x02", 4);
    ArrayValue shorts(TypeTag::kShort, two_shorts);
    EXPECT_EQ(bytes_of(shorts.arg()), two_shorts);
    ArrayValue texts(TypeTag::kText, std::string(8, '\0'));
    EXPECT_EQ(bytes_of(texts.arg()), "<null>");
    EXPECT_EQ(call(CoreCommand::byte_set_length, TaggedArg::of_byte_set(nullptr)).as_int(), 0);
}

}  // namespace
}  // namespace qinghe
