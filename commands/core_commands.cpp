#include "commands/core_commands.h"

#include <array>

#include "commands/automation_commands.h"
#include "commands/config_file_commands.h"
#include "commands/conversion_commands.h"
#include "commands/random_commands.h"
#include "commands/text_commands.h"
#include "commands/variant_commands.h"

namespace qinghe {
namespace {

#define QINGHE_CORE_COMMAND_NUMBER(number, name, entry, group) number,
constexpr std::array<int32_t, kCoreCommandCount> kNumbers{
    QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_NUMBER)};
#undef QINGHE_CORE_COMMAND_NUMBER

constexpr bool numbered_in_order() {
    for (int32_t i = 0; i < kCoreCommandCount; ++i)
        if (kNumbers[size_t(i)] != i) return false;
    return true;
}
static_assert(numbered_in_order(), "the core command list must be numbered 0, 1, 2, ... in order");

// Only the core group's entries are named here; the others are installed.
#define QINGHE_CORE_SLOT_core(entry) entry
#define QINGHE_CORE_SLOT_window(entry) nullptr
#define QINGHE_CORE_SLOT_music(entry) nullptr
#define QINGHE_CORE_COMMAND_ENTRY(number, name, entry, group) QINGHE_CORE_SLOT_##group(entry),
CommandEntry g_table[kCoreCommandCount] = {QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_ENTRY)};
#undef QINGHE_CORE_COMMAND_ENTRY
#undef QINGHE_CORE_SLOT_music
#undef QINGHE_CORE_SLOT_window
#undef QINGHE_CORE_SLOT_core

}  // namespace

const CommandEntry* core_command_table() { return g_table; }
CommandEntry core_command(CoreCommand number) { return g_table[int32_t(number)]; }

void install_core_command(CoreCommand number, CommandEntry entry) {
    g_table[int32_t(number)] = entry;
}

}  // namespace qinghe
