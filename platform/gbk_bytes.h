// Byte rules of GBK text, shared by every layer that walks GBK bytes itself.
//
// Two lead-byte rules exist on purpose:
// - GBK proper: a two-byte character starts with a byte from 0x81 up; 0x80
//   stands alone (the euro sign in code page 936). Setting files, number
//   conversion and shown input lines follow it.
// - The text commands (search and split) step two bytes at every byte with
//   the high bit set, 0x80 included. The program's search results, and so
//   the positions it cuts pages at, are defined by that rule; a byte 0x80
//   followed by a separator therefore hides the separator from the split.
#pragma once

namespace qinghe::gbk {

// GBK proper: whether `c` opens a two-byte character.
constexpr bool is_lead_byte(char c) { return static_cast<unsigned char>(c) >= 0x81; }

// The text commands' rule: whether `c` takes the next byte with it.
constexpr bool opens_pair_in_text_commands(char c) { return static_cast<unsigned char>(c) >= 0x80; }

}  // namespace qinghe::gbk
