// The two lead-byte rules and the case folding, byte by byte at their edges.
// Number conversion uses is_lead_byte too, but a lone 0x80 ends a number
// either way there, so only this table pins its threshold.
#include <gtest/gtest.h>

#include "platform/ascii_case.h"
#include "platform/gbk_bytes.h"

namespace qinghe::gbk {
namespace {

TEST(GbkBytes, RulesAtTheirEdges) {
    struct Row {
        unsigned char byte;
        bool lead;  // GBK proper
        bool pair;  // the text commands
        unsigned char folded;
    };
    const Row rows[] = {
        {0x00, false, false, 0x00}, {'@', false, false, '@'},  // just below A
        {'A', false, false, 'a'},   {'Z', false, false, 'z'},
        {'[', false, false, '['},  // just above Z
        {'a', false, false, 'a'},   {0x7F, false, false, 0x7F},
        {0x80, false, true, 0x80},  // the euro sign: alone in GBK, a pair to the text commands
        {0x81, true, true, 0x81},   // the first GBK lead byte
        {0xC1, true, true, 0xC1},   // 'A' + 0x80: never folded
        {0xFE, true, true, 0xFE},   {0xFF, true, true, 0xFF},
    };
    for (const Row& row : rows) {
        const char c = char(row.byte);
        EXPECT_EQ(is_lead_byte(c), row.lead) << int(row.byte);
        EXPECT_EQ(opens_pair_in_text_commands(c), row.pair) << int(row.byte);
        EXPECT_EQ(static_cast<unsigned char>(ascii::fold(c)), row.folded) << int(row.byte);
    }
}

}  // namespace
}  // namespace qinghe::gbk
