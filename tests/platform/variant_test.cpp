#include <gtest/gtest.h>

#include <string>

#include "platform/automation/variant.h"
#include "platform/text_encoding.h"

namespace qinghe::platform {
namespace {

Variant of_i4(int32_t n) {
    Variant v{};
    v.vt = VT_I4;
    v.i4 = n;
    return v;
}
Variant of_r8(double d) {
    Variant v{};
    v.vt = VT_R8;
    v.r8 = d;
    return v;
}
Variant of_text(std::u16string_view s) {
    Variant v{};
    v.vt = VT_BSTR;
    v.bstr = bstr_alloc(s);
    return v;
}
Variant of_bool(bool b) {
    Variant v{};
    v.vt = VT_BOOL;
    v.boolean = b ? kVariantTrue : kVariantFalse;
    return v;
}

TEST(VariantChangeType, ScalarConversions) {
    struct Row {
        Variant source;
        uint16_t target;
        HRESULT hr;
        double number;  // expected value of a numeric result
    };
    const Row rows[] = {
        {of_i4(300), VT_UI1, DISP_E_OVERFLOW, 0},
        {of_i4(-1), VT_UI1, DISP_E_OVERFLOW, 0},
        {of_i4(255), VT_UI1, S_OK, 255},
        {of_r8(2.5), VT_I4, S_OK, 2},  // to nearest even
        {of_r8(3.5), VT_I4, S_OK, 4},
        {of_r8(1e10), VT_I4, DISP_E_OVERFLOW, 0},
        {of_text(u" 12 "), VT_I4, S_OK, 12},
        {of_text(u"1.5"), VT_R8, S_OK, 1.5},
        {of_text(u"x1"), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {of_text(u""), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {of_bool(true), VT_I4, S_OK, -1},
        {of_i4(7), VT_BOOL, S_OK, -1},
        {Variant{}, VT_I4, S_OK, 0},
        {Variant{}, VT_ARRAY | VT_I4, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "from " << row.source.vt << " to " << row.target);
        Variant source = row.source;
        Variant out{};
        EXPECT_EQ(variant_change_type(&out, &source, row.target), row.hr);
        if (row.hr == S_OK) {
            ASSERT_EQ(out.vt, row.target);
            Variant as_r8{};
            ASSERT_EQ(variant_change_type(&as_r8, &out, VT_R8), S_OK);
            EXPECT_EQ(as_r8.r8, row.number);
        }
        variant_clear(&out);
        variant_clear(&source);
    }
}

TEST(VariantChangeType, TextAndByteArrays) {
    Variant n = of_i4(-42);
    Variant text{};
    ASSERT_EQ(variant_change_type(&text, &n, VT_BSTR), S_OK);
    EXPECT_EQ(bstr_view(text.bstr), u"-42");
    Variant bytes{};
    ASSERT_EQ(variant_change_type(&bytes, &text, VT_ARRAY | VT_UI1), S_OK);
    EXPECT_EQ(bytes.array->data.size(), 6u);
    EXPECT_EQ(bytes.array->data[0], '-');
    Variant back{};
    ASSERT_EQ(variant_change_type(&back, &bytes, VT_BSTR), S_OK);
    EXPECT_EQ(bstr_view(back.bstr), u"-42");
    // In place, and through a reference.
    Variant by_ref{};
    by_ref.vt = VT_BYREF | VT_BSTR;
    by_ref.ref = &text.bstr;
    Variant copy{};
    ASSERT_EQ(variant_copy_ind(&copy, &by_ref), S_OK);
    EXPECT_NE(copy.bstr, text.bstr);
    ASSERT_EQ(variant_change_type(&copy, &copy, VT_I4), S_OK);
    EXPECT_EQ(copy.i4, -42);
    for (Variant* v : {&text, &bytes, &back}) variant_clear(v);
}

TEST(VariantChangeType, ProgramTextConvertsLikeItsBstr) {
    const std::string gbk = gbk_from_utf16(u"持仓 12");  // the program's own bytes
    char* borrowed = const_cast<char*>(gbk.c_str());
    Variant by_ref{};
    by_ref.vt = VT_BYREF | VT_LPSTR;
    by_ref.ref = &borrowed;
    Variant owned{};
    ASSERT_EQ(variant_copy_ind(&owned, &by_ref), S_OK);  // a copy of its own
    ASSERT_EQ(owned.vt, VT_LPSTR);
    EXPECT_NE(owned.lpstr, borrowed);
    EXPECT_EQ(std::string(owned.lpstr), gbk);
    Variant text{};
    ASSERT_EQ(variant_change_type(&text, &by_ref, VT_BSTR), S_OK);
    EXPECT_EQ(bstr_view(text.bstr), u"持仓 12");
    Variant back{};
    ASSERT_EQ(variant_change_type(&back, &text, VT_LPSTR), S_OK);
    EXPECT_EQ(std::string(back.lpstr), gbk);
    Variant number{};
    EXPECT_EQ(variant_change_type(&number, &owned, VT_I4), DISP_E_TYPEMISMATCH);
    owned.lpstr[0] = '7';
    owned.lpstr[1] = 0;
    ASSERT_EQ(variant_change_type(&number, &owned, VT_I4), S_OK);
    EXPECT_EQ(number.i4, 7);
    Variant copy{};
    ASSERT_EQ(variant_copy(&copy, &owned), S_OK);
    EXPECT_STREQ(copy.lpstr, "7");
    for (Variant* v : {&owned, &text, &back, &copy, &by_ref}) variant_clear(v);
    EXPECT_EQ(borrowed, gbk.c_str());  // clearing a reference frees nothing
}

TEST(SafeArray, BoundsAndElements) {
    SafeArrayBound bounds[] = {{2, 1}, {3, 0}};
    SafeArray* a = safe_array_create(VT_BSTR, bounds);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->element_count(), 6u);
    int32_t last[] = {2, 2};
    int32_t outside[] = {0, 0};
    EXPECT_EQ(a->linear_index(last), 5);
    EXPECT_EQ(a->linear_index(outside), -1);
    Bstr s = bstr_alloc(u"元素");
    EXPECT_EQ(safe_array_put_element(a, last, s), S_OK);  // copies
    bstr_free(s);
    EXPECT_EQ(safe_array_put_element(a, outside, s), DISP_E_BADINDEX);
    SafeArray* copy = safe_array_copy(a);
    safe_array_destroy(a);
    Bstr fetched = nullptr;
    ASSERT_EQ(safe_array_get_element(copy, last, &fetched), S_OK);
    EXPECT_EQ(bstr_view(fetched), u"元素");
    bstr_free(fetched);
    safe_array_destroy(copy);
    EXPECT_EQ(safe_array_create_vector(VT_RECORD, 1, 1), nullptr);
    EXPECT_EQ(safe_array_create_vector(VT_R8, 1, 0xFFFFFFFFu), nullptr);  // too large
}

TEST(Bstr, GbkRoundTrip) {
    std::string gbk = "\xB3\xD6\xB2\xD6 ok";  // 持仓 ok
    Bstr s = bstr_from_gbk(gbk);
    EXPECT_EQ(bstr_view(s), u"持仓 ok");
    EXPECT_EQ(gbk_from_bstr(s), gbk);
    bstr_free(s);
    EXPECT_EQ(bstr_length(nullptr), 0u);
}

TEST(Bstr, FromTextInAnyCharsetIsCutToItsCharacters) {
    // Decoded into room for one unit per byte, then cut to the units taken.
    struct Row {
        std::string bytes;
        const char* charset;
        std::u16string units;
    } rows[] = {
        {"", "UTF-8", u""},
        {"plain", "GBK", u"plain"},
        {"\xB3\xD6\xB2\xD6 ok", "GBK", u"持仓 ok"},
        {"\xE6\x8C\x81\xF0\x9F\x98\x80", "UTF-8", u"持\U0001F600"},
        {"\xE6\x8C", "UTF-8", u"\uFFFD\uFFFD"},
        {"\xA4\xA4", "BIG5", u"中"},
    };
    for (const Row& row : rows) {
        Bstr s = bstr_from_text(row.bytes, row.charset);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(bstr_view(s), row.units) << row.charset;
        EXPECT_EQ(s[row.units.size()], u'\0');
        bstr_free(s);
    }
}

}  // namespace
}  // namespace qinghe::platform
