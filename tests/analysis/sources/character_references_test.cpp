// HTML character references in names: what is decoded into program text,
// what stays as written.
#include <gtest/gtest.h>

#include <string>

#include "analysis/sources/character_references.h"
#include "platform/text_encoding.h"

namespace qinghe::app {
namespace {

using platform::gbk_from_utf8;
using platform::utf8_from_gbk;

TEST(CharacterReferences, DecodeIntoProgramTextByTheRulesOfAttributeValues) {
    const std::pair<const char*, const char*> rows[] = {
        // UTF-8 in, UTF-8 of the GBK out
        {"AT&amp;T", "AT&T"},
        {"苹&#26524;", "苹果"},
        {"苹&#x679C;", "苹果"},
        {"苹&#X679c;", "苹果"},
        {"A&nbsp;B", "A?B"},  // no-break space: not in GBK, as when a page writes it outright
        {"&lt;&gt;&quot;&apos;", "<>\"'"},
        {"&eacute;t&eacute;", "été"},
        {"&middot;&times;&hellip;", "·×…"},
        {"&Alpha;&alpha;", "Αα"},
        {"&amp", "&"},          // a legacy name without its ";"
        {"AT&amp T", "AT& T"},  //
        {"&amp=1", "&amp=1"},   // ... but not before "="
        {"&ampx;", "&ampx;"},   // ... nor inside a longer word
        {"&notaname;", "&notaname;"},
        {"&AMP;&Amp;", "&&Amp;"},  // names are case-sensitive
        {"a & b", "a & b"},
        {"&", "&"},
        {"&#;&#x;&#a", "&#;&#x;&#a"},  // no digits
        {"&#65&#66;", "AB"},           // the ";" of a number is optional
        {"&#0;&#xD800;&#x110000;&#99999999999999999999;", "????"},
        {"&#128;&#x99;", "€?"},  // windows-1252's euro sign; its trade mark sign is not in GBK
        {"&amp;amp;", "&amp;"},  // decoded once
        {"青禾&", "青禾&"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(utf8_from_gbk(decode_character_references(gbk_from_utf8(in))), out) << in;
}

}  // namespace
}  // namespace qinghe::app
