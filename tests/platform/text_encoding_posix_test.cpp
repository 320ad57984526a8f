// compares every conversion with glibc iconv, which Windows has not
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace qinghe::platform {
namespace {

// The reference: iconv through UTF-32, a fresh descriptor per call; a byte
// iconv refuses becomes U+FFFD, a character the target cannot hold '?'.
std::string iconv_all(iconv_t cd, std::string_view input, std::string_view on_error, size_t skip) {
    std::string out;
    char buffer[4096];
    const char* in = input.data();
    size_t left = input.size();
    while (left > 0) {
        char* src = const_cast<char*>(in);
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, size_t(dst - buffer));
        in = src;
        if (r != size_t(-1) || errno == E2BIG) continue;
        out.append(on_error);
        const size_t n = std::min(skip, left);
        in += n;
        left -= n;
    }
    return out;
}

// A descriptor per direction, kept for the whole test run (opening one per
// call would take most of the test's time) and closed at its end.
iconv_t descriptor(const char* from, const char* to) {
    struct Descriptors : std::map<std::pair<std::string, std::string>, iconv_t> {
        ~Descriptors() {
            for (const auto& [direction, cd] : *this) iconv_close(cd);
        }
    };
    static Descriptors open;
    iconv_t& cd = open[{from, to}];
    if (!cd) cd = iconv_open(to, from);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
}

std::string reference(std::string_view input, const char* from, const char* to) {
    const char32_t replacement = 0xFFFD;
    std::string utf32 = iconv_all(descriptor(from, "UTF-32LE"), input,
                                  {reinterpret_cast<const char*>(&replacement), 4}, 1);
    return iconv_all(descriptor("UTF-32LE", to), utf32, "?", 4);
}

std::string bytes_of(std::u16string_view units) {
    return {reinterpret_cast<const char*>(units.data()), units.size() * 2};
}

struct Pair {
    const char* from;
    const char* to;
};
constexpr Pair kPairs[] = {
    {"UTF-8", "GBK"},   {"UTF-8", "UTF-16LE"},    {"GBK", "UTF-16LE"},
    {"GBK", "UTF-8"},   {"UTF-16LE", "GBK"},      {"UTF-16LE", "UTF-8"},
    {"UTF-8", "UTF-8"}, {"UTF-16LE", "UTF-16LE"}, {"GBK", "GBK"},
};

// GBK into worst-case room, and over the units' own storage with the output
// starting at the first unit or some units before it (the frame writes over
// a BSTR from its length word on).
void expect_gbk_into_and_over(std::u16string_view units, const std::string& expected) {
    std::string into(units.size() * kGbkBytesPerUnit, '\0');
    into.resize(gbk_into(units, into.data()));
    ASSERT_EQ(into, expected);
    for (size_t before : {0, 1, 2, 8}) {
        std::u16string block(before, u'\0');
        block += units;
        char* out = reinterpret_cast<char*>(block.data());
        const size_t written = gbk_over(std::u16string_view(block).substr(before), out);
        ASSERT_EQ(std::string(out, written), expected) << before << " units before";
    }
}

// Every conversion path agrees with iconv on `input`.
void expect_as_iconv(std::string_view input) {
    for (const Pair& p : kPairs) {
        const std::string expected = reference(input, p.from, p.to);
        ASSERT_EQ(convert_text(input, p.from, p.to), expected)
            << p.from << " -> " << p.to << " on " << testing::PrintToString(std::string(input));
        if (std::strcmp(p.to, "GBK") == 0) {
            std::string into(input.size() * kGbkBytesPerUnit, '\0');
            into.resize(gbk_from_text_into(input, p.from, into.data()));
            ASSERT_EQ(into, expected) << p.from << " -> GBK, into";
        }
        if (std::strcmp(p.to, "UTF-16LE") == 0) {
            ASSERT_EQ(bytes_of(utf16_from_text(input, p.from)), expected);
            std::u16string into(input.size(), u'\0');
            into.resize(utf16_into(input, p.from, into.data()));
            ASSERT_EQ(bytes_of(into), expected);
        }
        if (std::strcmp(p.from, "UTF-16LE") == 0 && input.size() % 2 == 0) {
            std::u16string units(input.size() / 2, u'\0');
            std::memcpy(units.data(), input.data(), input.size());
            ASSERT_EQ(text_from_utf16(units, p.to), expected);
            if (std::strcmp(p.to, "GBK") == 0) expect_gbk_into_and_over(units, expected);
        }
    }
}

TEST(TextEncoding, TrickyCasesConvertAsIconvDoes) {
    const std::string cases[] = {
        "",
        "plain ASCII, longer than eight bytes",
        "\x80",          // the euro sign in GBK, a stray byte in UTF-8
        "\xE2\x82\xAC",  // the euro sign in UTF-8
        "\xC3(",
        "x\xC3(y\xE6\x8C",  // cut and broken sequences
        "\xE6\x8C",
        "\xF0\x9F\x98",  // cut at the end
        "\xC0\x80",
        "\xE0\x80\x80",
        "\xF0\x80\x80\x80",  // overlong
        "\xED\xA0\x80",
        "\xED\xBF\xBF",  // surrogates in UTF-8
        "\xF4\x90\x80\x80",
        "\xF5\x80\x80\x80",
        "\xF8\x88\x80\x80\x80",  // beyond U+10FFFF
        "\xF0\x9F\x98\x80",      // a character outside the BMP (no GBK)
        "a\xF3\xA0\x80\x81"
        "b",  // a tag character: GBK drops it
        "\xFF\xFE",
        "\xFE\xFF",  // byte-order marks as data
        "\x81\x40",
        "\xFE\xFE",
        "\xFE\x4F",
        "\x81\x7F",
        "\x81\xFF",
        "\xFF\x40",  // GBK edges
        "\xA1\xA1\xB3\xD6\xB2\xD6\xA8\x8B",
        "\xAA\xA1",
        "\xA1\x40",  // GBK areas
        "\x81",
        "a\x81",  // a lead byte at the end
        std::string("\x00\xD8", 2),
        std::string("\x00\xD8"
                    "A\0",
                    4),  // lone high surrogates
        std::string("\x00\xDC"
                    "A\0",
                    4),
        std::string("=\xD8\x00\xDE", 4),  // lone low, a pair
        std::string("A\0\x00\xD8\x00\xD8\x00\xDC", 8),
        std::string("\0\0\0", 3),
        "<td><a title=\"\xE8\xB4\xB5\xE5\xB7\x9E\xE8\x8C\x85\xE5\x8F\xB0\">9.87%</a></td>",
    };
    for (const std::string& input : cases) expect_as_iconv(input);
}

TEST(TextEncoding, AsciiRunsBrokenAtEveryOffsetConvertAsIconvDoes) {
    // ASCII runs are converted 16 bytes or units at a time: a character
    // that is not ASCII at every offset of a 48-byte run ends a block at
    // each of its positions and straddles the block boundaries.
    const std::string inserts[] = {
        "\xC3\xA9", "\xE6\x8C\x81", "\xF0\x9F\x98\x80",
        "\xFF",                              // UTF-8 forms, a stray byte
        "\xB3\xD6", "\x80",         "\x81",  // GBK pair, single, cut lead
    };
    const std::u16string unit_inserts[] = {u"\u00E9",
                                           u"持",
                                           u"\U0001F600",
                                           std::u16string(1, char16_t(0xD800)),
                                           std::u16string(1, char16_t(0xDC00)),
                                           std::u16string(1, u'\0')};
    const std::string run = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL";
    for (size_t at = 0; at <= run.size(); ++at) {
        for (const std::string& insert : inserts) {
            expect_as_iconv(run.substr(0, at) + insert + run.substr(at));
            expect_as_iconv(run.substr(0, at) + insert);
        }
        for (const std::u16string& insert : unit_inserts) {
            const std::u16string ascii(run.begin(), run.end());
            expect_as_iconv(bytes_of(ascii.substr(0, at) + insert + ascii.substr(at)));
        }
        // The room for GBK is exact where every character has its two bytes.
        const std::u16string text = std::u16string(run.begin(), run.begin() + at) + u"持仓" +
                                    std::u16string(run.begin() + at, run.end());
        ASSERT_EQ(gbk_into(text, std::string(text.size() * 2, 0).data()), run.size() + 4);
    }
}

TEST(TextEncoding, GbkOverItsOwnUnitsMatchesGbkIntoOtherStorage) {
    // Dense two-byte characters let the output catch up with the input, so
    // that a 16-byte ASCII store would reach units not yet read; lone
    // surrogates and pairs shift the reading; a random mix finds the edges.
    const std::u16string pieces[] = {u"a",
                                     u"Z",
                                     u"持",
                                     u"仓",
                                     u"€",
                                     u"\uFFFD",
                                     u"\U0001F600",
                                     std::u16string(1, char16_t(0xD800)),
                                     std::u16string(1, char16_t(0xDC00)),
                                     u"0123456789abcdefghij"};
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::u16string units;
        for (size_t n = random() % 60; n > 0; --n) units += pieces[random() % std::size(pieces)];
        std::string expected(units.size() * kGbkBytesPerUnit, '\0');
        expected.resize(gbk_into(units, expected.data()));
        for (size_t before : {0, 1, 2}) {
            std::u16string block(before, u'\0');
            block += units;
            char* out = reinterpret_cast<char*>(block.data());
            const size_t written = gbk_over(std::u16string_view(block).substr(before), out);
            ASSERT_EQ(std::string(out, written), expected)
                << testing::PrintToString(gbk_from_utf16(units)) << ", " << before << " before";
        }
    }
}

TEST(TextEncoding, EveryOneAndTwoByteSequenceConvertsAsIconvDoes) {
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 0; b < 256; ++b) {
            const char two[2] = {char(a), char(b)};
            for (const Pair& p : {kPairs[0], kPairs[2], kPairs[4]}) {
                std::string_view input(two, 2);
                ASSERT_EQ(convert_text(input, p.from, p.to), reference(input, p.from, p.to))
                    << p.from << " -> " << p.to << " on " << a << "," << b;
            }
        }
    }
}

TEST(TextEncoding, UtfEightSequencesAroundTheLimitsConvertAsIconvDoes) {
    // Leads of three- and four-byte forms with continuation bytes at the
    // edges of the valid ranges, followed by a second character or not.
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90,
                                   0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (unsigned lead = 0xE0; lead < 0x100; ++lead)
        for (unsigned char b : edges)
            for (unsigned char c : edges)
                for (unsigned char d : {0x41, 0x80, 0xBF}) {
                    const char seq[4] = {char(lead), char(b), char(c), char(d)};
                    expect_as_iconv(std::string_view(seq, lead < 0xF0 ? 3 : 4));
                    expect_as_iconv(std::string_view(seq, 4));
                }
}

TEST(TextEncoding, RandomBytesConvertAsIconvDoes) {
    std::mt19937 random(20240613);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
    for (int round = 0; round < 3000; ++round) {
        std::string input(size_t(length(random)), '\0');
        for (char& c : input) {
            int b = byte(random);
            c = char(b < 96 ? 'a' + b % 26 : b);  // a third ASCII, as on a page
        }
        expect_as_iconv(input);
    }
}

TEST(TextEncoding, EveryBmpUnitEncodesToGbkAsIconvDoes) {
    std::u16string all;
    for (char32_t c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c >= 0xE000) all.push_back(char16_t(c));
    // One call for all units: the reference converts them one by one.
    std::string expected;
    for (char16_t u : all) expected += reference(bytes_of({&u, 1}), "UTF-16LE", "GBK");
    EXPECT_EQ(gbk_from_utf16(all), expected);
    EXPECT_EQ(utf16_from_gbk(gbk_from_utf16(u"持仓占比€")), u"持仓占比€");
}

TEST(TextEncoding, OtherCharsetsStillGoThroughIconv) {
    EXPECT_EQ(convert_text("\xE4\xB8\xAD", "UTF-8", "BIG5"), "\xA4\xA4");
    EXPECT_EQ(convert_text("a\xE6\x8C\x81", "UTF-8", "ASCII"), "a?");
    EXPECT_EQ(utf16_from_text("\xA4\xA4", "BIG5"), u"中");
    EXPECT_EQ(text_from_utf16(u"é", "ISO-8859-1"), "\xE9");
}

}  // namespace
}  // namespace qinghe::platform
