#include "commands/core_commands.h"

#include <array>

#include "commands/automation_commands.h"
#include "commands/config_file_commands.h"
#include "commands/conversion_commands.h"
#include "commands/music_commands.h"
#include "commands/random_commands.h"
#include "commands/text_commands.h"
#include "commands/variant_commands.h"
#include "commands/window_commands.h"

namespace qinghe {
namespace {

#define QINGHE_CORE_COMMAND_NUMBER(number, name, entry) number,
constexpr std::array<int32_t, kCoreCommandCount> kNumbers{
    QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_NUMBER)};
#undef QINGHE_CORE_COMMAND_NUMBER

constexpr bool numbered_in_order() {
    for (int32_t i = 0; i < kCoreCommandCount; ++i)
        if (kNumbers[size_t(i)] != i) return false;
    return true;
}
static_assert(numbered_in_order(), "the core command list must be numbered 0, 1, 2, ... in order");

#define QINGHE_CORE_COMMAND_ENTRY(number, name, entry) entry,
constexpr CommandEntry kTable[kCoreCommandCount] = {
    QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_ENTRY)};
#undef QINGHE_CORE_COMMAND_ENTRY

}  // namespace

const CommandEntry* core_command_table() { return kTable; }
CommandEntry core_command(CoreCommand number) { return kTable[int32_t(number)]; }

}  // namespace qinghe
