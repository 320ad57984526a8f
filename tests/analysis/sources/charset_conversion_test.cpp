#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "analysis/sources/charset_conversion.h"
#include "commands/automation_commands.h"
#include "commands/automation_values.h"
#include "commands/core_commands.h"
#include "program_resources.h"
#include "platform/automation/class_registry.h"
#include "platform/text_encoding.h"
#include "runtime/dll_commands.h"
#include "runtime/memory.h"
#include "support/fund_pages.h"
#include "support/system_calls.h"

namespace qinghe {
namespace {

using namespace testing_support;

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

// The conversion as it went before, through the stream object's four
// passes: what the one-pass conversion must answer byte for byte.
ByteSet* through_stream(const ByteSet* bytes, const char* from, const char* to) {
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

std::string convert(std::string_view input, const char* from = "utf-8", const char* to = "gb2312") {
    ByteSet* in = make_byte_set(input);
    ByteSet* out = convert_charset(in, from, to);
    std::string result(byte_set_view(out));
    mem_free(in);
    mem_free(out);
    return result;
}

std::string gbk(const char* utf8) { return platform::gbk_from_utf8(utf8); }

// The program's declared DLL commands are installed by the suite's
// program environment, as start-up installs them.
class ConvertCharset : public ::testing::Test {};

TEST_F(ConvertCharset, ConvertsUtf8ToGbk) {
    struct Row {
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        {"持仓占比", "\xB3\xD6\xB2\xD6\xD5\xBC\xB1\xC8"},
        {"<td>plain ASCII 123</td>\r\n", "<td>plain ASCII 123</td>\r\n"},
        {"", ""},
        // Outside GBK: the character becomes "?" and the rest survives.
        {"股票\xF0\x9F\x98\x80名称", gbk("股票?名称")},
        // The page passes through a text: a zero byte ends it.
        {std::string("a\0b", 3), "a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(convert(row.input), row.expected);
    }
}

TEST_F(ConvertCharset, MalformedUtf8DoesNotEmptyThePage) {
    std::string page = "<p>持仓占比</p>\xC3(\xFF\xFE<p>持仓截止日期:</p>";
    std::string out = convert(page);
    EXPECT_NE(out.find(gbk("持仓占比")), std::string::npos);
    EXPECT_NE(out.find(gbk("持仓截止日期:")), std::string::npos);
}

void expect_whole_page_with_markers(const std::string& page) {
    ASSERT_GT(page.size(), 100000u);
    std::string out = convert(page);
    EXPECT_EQ(out, platform::gbk_from_utf8(page));
    EXPECT_NE(out.find(gbk("持仓占比")), std::string::npos);
    EXPECT_NE(out.find(gbk("持仓截止日期:")), std::string::npos);
}

TEST_F(ConvertCharset, GeneratedFundPagesKeepTheirMarkers) {
    for (const char* code : {fund_code::demo, fund_code::foreign, fund_code::no_holdings}) {
        SCOPED_TRACE(code);
        expect_whole_page_with_markers(generated_page(code));
    }
}

TEST_F(ConvertCharset, RealFundPagesKeepTheirMarkers) {
    SKIP_WITHOUT_REAL_FUND_PAGES();
    for (const char* code : {"006309", "160127"}) {
        SCOPED_TRACE(code);
        expect_whole_page_with_markers(read_fund_file(real_page_path(code)));
    }
}

TEST_F(ConvertCharset, LargePageConvertsWhole) {
    std::string page;
    while (page.size() < 300 * 1024) page += "<tr><td>贵州茅台</td><td>9.87%</td></tr>\n";
    EXPECT_EQ(convert(page), platform::gbk_from_utf8(page));
}

TEST_F(ConvertCharset, RandomBytesNeverEmptyAPageWithoutZeroBytes) {
    std::mt19937 random(6);
    const char* sources[] = {"utf-8", "gb18030", "big5", "unicode", "us-ascii"};
    for (int round = 0; round < 300; ++round) {
        std::string input(random() % 600 + 1, '\0');
        for (char& c : input) c = char(random() % 255 + 1);
        const char* from = sources[round % 5];
        SCOPED_TRACE(testing::Message() << from << " round " << round);
        std::string out = convert(input, from);
        // A Unicode source may decode to U+0000, which ends the text.
        if (std::string_view(from) != "unicode") {
            EXPECT_FALSE(out.empty());
        }
    }
}

std::string utf8_of(char32_t c) {
    const auto tail = [c](int shift) { return char(0x80 | (c >> shift & 0x3F)); };
    if (c < 0x80) return std::string(1, char(c));
    if (c < 0x800) return {char(0xC0 | c >> 6), tail(0)};
    if (c < 0x10000) return {char(0xE0 | c >> 12), tail(6), tail(0)};
    return {char(0xF0 | c >> 18), tail(12), tail(6), tail(0)};
}

// Bytes that reach the conversion's corners: characters of every length
// (surrogates too), stray and cut sequences, byte-order marks, zero bytes.
std::string random_text(std::mt19937& random) {
    const std::string pieces[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", std::string(1, '\0'),
                                  "\xE4\xB8",     "\xF0\x9F", "\xC3",     "\x80",
                                  "\xA1\xA4"};
    std::string text;
    for (size_t n = random() % 200; n > 0; --n) {
        switch (random() % 4) {
        case 0: text += char(random() % 256); break;
        case 1: text += pieces[random() % std::size(pieces)]; break;
        default: text += utf8_of(char32_t(random() % 0x30000));
        }
    }
    return text;
}

TEST_F(ConvertCharset, AnswersWhatTheStreamObjectAnswered) {
    const auto expect_same = [](const std::string& input, const char* from, const char* to) {
        ByteSet* in = make_byte_set(input);
        ByteSet* now = convert_charset(in, from, to);
        ByteSet* before = through_stream(in, from, to);
        EXPECT_EQ(byte_set_view(now), byte_set_view(before)) << from << " to " << to;
        if (std::string_view(to) == "gb2312") {
            char* text = program_text(input, from);
            EXPECT_EQ(text ? text : "", byte_set_view(before)) << from << " as a text";
            mem_free(text);
        }
        for (ByteSet* b : {in, now, before}) mem_free(b);
    };
    for (const std::string& code : generated_codes()) {
        SCOPED_TRACE(code);
        expect_same(generated_page(code), "utf-8", "gb2312");
        expect_same("\xEF\xBB\xBF" + generated_page(code), "utf-8", "gb2312");
    }
    for (const char* code : {"900001", "900002", "900003"}) {
        SCOPED_TRACE(code);
        const std::string page =
            read_fund_file(std::string(QINGHE_FIXTURE_DIR "/sample-fund-pages/") + code + ".html");
        ASSERT_FALSE(page.empty());
        expect_same(page, "utf-8", "gb2312");
    }
    std::string every_character;
    for (char32_t c = 1; c < 0x10000; ++c) every_character += utf8_of(c);
    expect_same(every_character, "utf-8", "gb2312");
    std::mt19937 random(31);
    const char* charsets[] = {"utf-8",   "gb2312",      "gb18030",  "big5",
                              "unicode", "unicodefffe", "us-ascii", "iso-8859-1"};
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        const std::string text = random_text(random);
        expect_same(text, "utf-8", "gb2312");
        const char* from = charsets[round % std::size(charsets)];
        const bool legacy = std::string_view(from) == "big5" ||
                            std::string_view(from) == "gb18030" ||
                            std::string_view(from) == "unicodefffe";
        if (!legacy || legacy_charsets_read_as_iconv()) expect_same(text, from, "gb2312");
        expect_same(text, "utf-8", charsets[random() % std::size(charsets)]);
    }
}

TEST_F(ConvertCharset, UnknownCharsetGivesTheEmptyByteSet) {
    EXPECT_EQ(convert("abc", "no-such-charset"), "");
}

TEST_F(ConvertCharset, LeavesTheThreadAsItFoundIt) {
    EXPECT_FALSE(platform::thread_initialized());
    convert("abc");
    EXPECT_FALSE(platform::thread_initialized());
}

}  // namespace
}  // namespace qinghe
