#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/automation/stream_object.h"
#include "platform/text_encoding.h"
#include "support/com_thread.h"

namespace qinghe::platform {
namespace {

// Drives a stream object the way a late-bound client does: bind by name,
// then invoke with the arguments last first.
class Stream : public ::testing::Test {
protected:
    void SetUp() override {
        Object* object = nullptr;
        ASSERT_EQ(create_instance(stream_class_id(), ClassContext::kInprocServer, &object), S_OK);
        stream = object->query_dispatch();
        object->release();
        ASSERT_TRUE(stream);
    }
    void TearDown() override { stream->release(); }

    HRESULT invoke(const char16_t* name, uint16_t kind, std::vector<Variant> args,
                   Variant* result = nullptr) {
        Binding b = stream->type_info()->bind(name, kind);
        if (!b.found()) return DISP_E_MEMBERNOTFOUND;
        std::vector<Variant> reversed(args.rbegin(), args.rend());
        DispParams params{reversed.data(), nullptr, uint32_t(reversed.size()), 0};
        static const MemberId put_id = DISPID_PROPERTYPUT;
        if (kind == INVOKE_PROPERTYPUT) {
            params.named_ids = &put_id;
            params.named_count = 1;
        }
        Variant ignored{};
        HRESULT hr =
            stream->invoke(b.function->id, kind, params, result ? result : &ignored, nullptr);
        variant_clear(&ignored);
        for (Variant& v : reversed) variant_clear(&v);
        return hr;
    }
    HRESULT put(const char16_t* name, Variant value) {
        return invoke(name, INVOKE_PROPERTYPUT, {value});
    }
    int32_t get_int(const char16_t* name) {
        Variant r{};
        EXPECT_EQ(invoke(name, INVOKE_PROPERTYGET, {}, &r), S_OK);
        return r.vt == VT_BOOL ? r.boolean : r.i4;
    }
    HRESULT call(const char16_t* name, std::vector<Variant> args = {}, Variant* result = nullptr) {
        return invoke(name, INVOKE_FUNC, std::move(args), result);
    }

    static Variant number(int32_t n) {
        Variant v{};
        v.vt = VT_I4;
        v.i4 = n;
        return v;
    }
    static Variant text(std::u16string_view s) {
        Variant v{};
        v.vt = VT_BSTR;
        v.bstr = bstr_alloc(s);
        return v;
    }
    static Variant bytes(std::string_view b) {
        Variant v{};
        v.vt = VT_ARRAY | VT_UI1;
        v.array = safe_array_create_vector(VT_UI1, 1, uint32_t(b.size()));
        if (!b.empty()) std::memcpy(v.array->data.data(), b.data(), b.size());
        return v;
    }
    std::string read_bytes(std::vector<Variant> args = {}) {
        Variant r{};
        EXPECT_EQ(call(u"Read", std::move(args), &r), S_OK);
        std::string out;
        if (r.vt == (VT_ARRAY | VT_UI1)) out.assign(r.array->data.begin(), r.array->data.end());
        variant_clear(&r);
        return out;
    }
    std::u16string read_text(std::vector<Variant> args = {}) {
        Variant r{};
        EXPECT_EQ(call(u"ReadText", std::move(args), &r), S_OK);
        std::u16string out(bstr_view(r.bstr));
        variant_clear(&r);
        return out;
    }
    void open_binary(std::string_view content) {
        ASSERT_EQ(put(u"Type", number(StreamType::kBinary)), S_OK);
        ASSERT_EQ(call(u"Open"), S_OK);
        ASSERT_EQ(call(u"Write", {bytes(content)}), S_OK);
        ASSERT_EQ(put(u"Position", number(0)), S_OK);
    }

    testing_support::ComThread com;
    Dispatch* stream = nullptr;
};

TEST_F(Stream, OpenCloseAndState) {
    EXPECT_EQ(get_int(u"State"), 0);
    EXPECT_EQ(call(u"Close"), DISP_E_EXCEPTION);
    EXPECT_EQ(call(u"Open"), S_OK);
    EXPECT_EQ(call(u"Open"), DISP_E_EXCEPTION);
    EXPECT_EQ(get_int(u"state"), 1);
    EXPECT_EQ(call(u"Open", {text(u"file.txt")}), DISP_E_EXCEPTION);
}

TEST_F(Stream, BinaryReadAndWriteAtPosition) {
    open_binary("abcdef");
    EXPECT_EQ(read_bytes({number(2)}), "ab");
    EXPECT_EQ(read_bytes(), "cdef");  // no count: to the end
    EXPECT_EQ(get_int(u"EOS"), -1);
    Variant r{};
    EXPECT_EQ(call(u"Read", {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_NULL);  // nothing left
    ASSERT_EQ(put(u"Position", number(4)), S_OK);
    ASSERT_EQ(call(u"Write", {bytes("XYZ")}), S_OK);  // overwrites, then extends
    EXPECT_EQ(get_int(u"Size"), 7);
    ASSERT_EQ(put(u"Position", number(0)), S_OK);
    EXPECT_EQ(read_bytes(), "abcdXYZ");
    EXPECT_EQ(put(u"Position", number(8)), DISP_E_EXCEPTION);
    EXPECT_EQ(call(u"WriteText", {text(u"x")}), DISP_E_EXCEPTION);  // binary mode
}

TEST_F(Stream, TypeChangesOnlyAtTheStart) {
    open_binary("abc");
    ASSERT_EQ(put(u"Position", number(2)), S_OK);
    EXPECT_EQ(put(u"Type", number(StreamType::kText)), DISP_E_EXCEPTION);
    EXPECT_EQ(put(u"Charset", text(u"utf-8")), DISP_E_EXCEPTION);
    ASSERT_EQ(put(u"Position", number(0)), S_OK);
    EXPECT_EQ(put(u"Type", number(StreamType::kText)), S_OK);
    EXPECT_EQ(put(u"Type", number(3)), DISP_E_EXCEPTION);
}

TEST_F(Stream, CharsetNames) {
    for (const char16_t* name :
         {u"utf-8", u"UTF-8", u"gb2312", u"GBK", u"gb18030", u"big5", u"Unicode", u"us-ascii"})
        EXPECT_EQ(put(u"Charset", text(name)), S_OK);
    EXPECT_EQ(put(u"Charset", text(u"klingon")), DISP_E_EXCEPTION);
    EXPECT_STREQ(stream_charset_encoding("GB2312"), "GBK");
}

TEST_F(Stream, TextRoundTripsThroughCharsets) {
    struct Row {
        const char16_t* charset;
        std::u16string text;
        std::string encoded;
    };
    const Row rows[] = {
        {u"gb2312", u"持仓", "\xB3\xD6\xB2\xD6"},
        {u"gb2312", u"€▼", "\x80\xA8\x8B"},  // GBK, wider than the narrow table
        {u"utf-8", u"持", "\xE6\x8C\x81"},
        {u"us-ascii", u"a持", "a?"},
        {u"big5", u"中", "\xA4\xA4"},
        {u"unicode", u"A",
         std::string("\xFF\xFE"
                     "A\0",
                     4)},  // with byte-order mark
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(gbk_from_utf16(row.charset));
        ASSERT_EQ(call(u"Open"), S_OK);
        ASSERT_EQ(put(u"Charset", text(row.charset)), S_OK);
        ASSERT_EQ(call(u"WriteText", {text(row.text)}), S_OK);
        ASSERT_EQ(put(u"Position", number(0)), S_OK);
        ASSERT_EQ(put(u"Type", number(StreamType::kBinary)), S_OK);
        EXPECT_EQ(read_bytes(), row.encoded);
        ASSERT_EQ(put(u"Position", number(0)), S_OK);
        ASSERT_EQ(put(u"Type", number(StreamType::kText)), S_OK);
        if (row.encoded.find('?') == std::string::npos) {
            EXPECT_EQ(read_text(), row.text);
        }
        ASSERT_EQ(call(u"Close"), S_OK);
    }
}

TEST_F(Stream, TextConversionNeverFailsAsAWhole) {
    // Unencodable characters become "?", malformed bytes U+FFFD; the rest stays.
    ASSERT_EQ(call(u"Open"), S_OK);
    ASSERT_EQ(put(u"Charset", text(u"gb2312")), S_OK);
    ASSERT_EQ(call(u"WriteText", {text(u"a\U0001F600b")}), S_OK);
    ASSERT_EQ(call(u"WriteText", {text(u"c"), number(1)}), S_OK);  // as a line
    ASSERT_EQ(put(u"Position", number(0)), S_OK);
    ASSERT_EQ(put(u"Type", number(StreamType::kBinary)), S_OK);
    EXPECT_EQ(read_bytes(), "a?bc\r\n");
    ASSERT_EQ(call(u"Close"), S_OK);

    open_binary("x\xC3(y\xE6\x8C");
    ASSERT_EQ(put(u"Type", number(StreamType::kText)), S_OK);
    ASSERT_EQ(put(u"Charset", text(u"utf-8")), S_OK);
    EXPECT_EQ(read_text(), u"x\uFFFD(y\uFFFD\uFFFD");
}

TEST_F(Stream, ReadTextWithACountAdvancesByThoseCharacters) {
    open_binary(
        "\xEF\xBB\xBF\xE6\x8C\x81\xE4\xBB\x93"
        "ab");
    ASSERT_EQ(put(u"Type", number(StreamType::kText)), S_OK);
    ASSERT_EQ(put(u"Charset", text(u"utf-8")), S_OK);
    EXPECT_EQ(read_text({number(1)}), u"持");  // the byte-order mark is skipped
    EXPECT_EQ(get_int(u"Position"), 6);
    EXPECT_EQ(read_text(), u"仓ab");
    EXPECT_EQ(read_text(), u"");
}

// The program's own GBK text, lent by reference as the frame lends it.
Variant program_text(const char* const* gbk) {
    Variant v{};
    v.vt = VT_BYREF | VT_LPSTR;
    v.ref = const_cast<char**>(gbk);
    return v;
}

TEST_F(Stream, ProgramTextWritesTheBytesOfItsBstr) {
    struct Row {
        const char16_t* charset;
        const char* gbk;
        bool as_line;
        const char* before;  // written first, as a BSTR; null for none
    };
    const Row rows[] = {
        {u"gb2312", "\xB3\xD6\xB2\xD6 9.87%", false, nullptr},
        {u"gb2312", "a\x80z\xA8\x8B", true, nullptr},          // euro, a wide-table character
        {u"gb2312", "bad \xFF and cut \x81", false, nullptr},  // malformed, lead at the end
        {u"gb2312", "", false, nullptr},
        {u"gb2312", "tail", false, "head "},  // not the first write
        {u"utf-8", "\xB3\xD6\x81", false, nullptr},
        {u"unicode", "A\xB3\xD6", true, nullptr},
        {u"us-ascii", "a\xB3\xD6", false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.gbk)));
        std::string written[2];
        for (int lent = 0; lent < 2; ++lent) {
            ASSERT_EQ(call(u"Open"), S_OK);
            ASSERT_EQ(put(u"Charset", text(row.charset)), S_OK);
            if (row.before) {
                ASSERT_EQ(call(u"WriteText", {text(utf16_from_gbk(row.before))}), S_OK);
            }
            std::vector<Variant> args = {lent ? program_text(&row.gbk)
                                              : text(utf16_from_gbk(row.gbk))};
            if (row.as_line) args.push_back(number(1));
            ASSERT_EQ(call(u"WriteText", std::move(args)), S_OK);
            ASSERT_EQ(put(u"Position", number(0)), S_OK);
            ASSERT_EQ(put(u"Type", number(StreamType::kBinary)), S_OK);
            written[lent] = read_bytes();
            ASSERT_EQ(put(u"Position", number(0)), S_OK);
            ASSERT_EQ(put(u"Type", number(StreamType::kText)), S_OK);
            ASSERT_EQ(call(u"Close"), S_OK);
        }
        EXPECT_EQ(written[1], written[0]);
    }
    const char* none = nullptr;  // a null text writes nothing
    ASSERT_EQ(call(u"Open"), S_OK);
    ASSERT_EQ(call(u"WriteText", {program_text(&none)}), S_OK);
    EXPECT_EQ(get_int(u"Size"), 0);
}

TEST_F(Stream, ReadTextAskedForProgramTextGivesTheGbkOfItsBstr) {
    struct Row {
        const char16_t* charset;
        std::string bytes;
    };
    const Row rows[] = {
        {u"utf-8", "\xEF\xBB\xBF\xE6\x8C\x81\xE4\xBB\x93 ab"},  // mark skipped
        {u"utf-8", "x\xC3(y\xF0\x9F\x98\x80\xE6\x8C"},          // malformed, no GBK, cut short
        {u"gb2312", "\xB3\xD6\xFF\x81"},
        {u"unicode", std::string("\xFF\xFE\x01\xD8x", 5)},  // lone surrogate, odd length
        {u"big5", "\xA4\xA4"},
        {u"utf-8", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.bytes));
        open_binary(row.bytes);
        ASSERT_EQ(put(u"Type", number(StreamType::kText)), S_OK);
        ASSERT_EQ(put(u"Charset", text(row.charset)), S_OK);
        const std::string expected = gbk_from_utf16(read_text());
        ASSERT_EQ(put(u"Position", number(0)), S_OK);
        Variant r{};
        r.vt = VT_LPSTR;
        ASSERT_EQ(call(u"ReadText", {}, &r), S_OK);
        ASSERT_EQ(r.vt, VT_LPSTR);
        EXPECT_EQ(std::string(r.lpstr), expected);
        EXPECT_EQ(get_int(u"Position"), int32_t(row.bytes.size()));
        variant_clear(&r);
        ASSERT_EQ(call(u"Close"), S_OK);
    }
    // A read of some characters answers with a BSTR, asked or not.
    open_binary("abc");
    ASSERT_EQ(put(u"Type", number(StreamType::kText)), S_OK);
    Variant r{};
    r.vt = VT_LPSTR;
    ASSERT_EQ(call(u"ReadText", {number(1)}, &r), S_OK);
    ASSERT_EQ(r.vt, VT_BSTR);
    variant_clear(&r);
}

TEST(ClassRegistry, ClassIdsParseAndPrint) {
    ClassId id;
    ASSERT_EQ(class_id_from_string("{5a1e7c40-2d9b-4f63-9c1e-7b3a0d6e8f21}", &id), S_OK);
    EXPECT_EQ(id, stream_class_id());
    EXPECT_EQ(class_id_to_string(id), "{5A1E7C40-2D9B-4F63-9C1E-7B3A0D6E8F21}");
    for (const char* bad :
         {"", "{}", "5A1E7C40-2D9B-4F63-9C1E-7B3A0D6E8F21",
          "{5A1E7C40-2D9B-4F63-9C1E-7B3A0D6E8F2G}", "{5A1E7C40+2D9B-4F63-9C1E-7B3A0D6E8F21}"})
        EXPECT_EQ(class_id_from_string(bad, &id), CO_E_CLASSSTRING) << bad;
    EXPECT_EQ(class_id_from_prog_id("ADODB.STREAM", &id), S_OK);
}

TEST(ClassRegistry, RemoteCreationIsAnInvalidArgument) {
    Object* object = nullptr;
    {
        testing_support::ComThread com;
        EXPECT_EQ(create_instance(stream_class_id(), 23, &object), E_INVALIDARG);
        EXPECT_EQ(create_instance(stream_class_id(), 7, &object), S_OK);
        object->release();
    }
    EXPECT_EQ(create_instance(stream_class_id(), 7, &object), CO_E_NOTINITIALIZED);
}

}  // namespace
}  // namespace qinghe::platform
