// GBK <-> UTF-16 tables as constant data. The build fills them from iconv
// (tools/gbk_tables) and compiles them into this library, so they answer
// exactly what iconv's "GBK" answers for one character, and table-driven
// conversion gives the same bytes as iconv with no work at start-up.
#pragma once

#include <cstdint>

namespace qinghe::platform {

struct GbkTables {
    static constexpr char16_t kNoUnit = 0xFFFF;   // no character here
    static constexpr uint16_t kNoBytes = 0xFFFF;  // GBK cannot hold the unit
    static constexpr uint16_t kNothing = 0xFFFE;  // iconv drops the unit silently

    bool ascii_as_is;         // bytes and units below 0x80 map to themselves
    char16_t single[256];     // a byte that is a character by itself
    char16_t pair[128][256];  // [lead - 0x80][trail]: a two-byte character
    // A unit's GBK bytes: one byte (< 0x100) or lead << 8 | trail (lead >= 0x81).
    uint16_t encode[0x10000];
};

// Defined in the generated source of the build tree.
extern constinit const GbkTables kGbkTables;

inline const GbkTables& gbk_tables() { return kGbkTables; }

}  // namespace qinghe::platform
