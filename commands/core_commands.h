// The core library's command table: command numbers and their entries.
#pragma once

#include "runtime/frame.h"

// Every core command by number: X(number, name, entry, group). The numbers
// must run 0, 1, 2, ... down the list (core_commands.cpp checks it at
// compile time). The commands of the window and music groups live in
// desktop_commands, which needs the window system and the synthesizer: their
// slots stay empty until the program installs the group
// (install_window_commands, install_music_commands), and a call of an empty
// slot is the runtime error for a command that is not implemented.
#define QINGHE_CORE_COMMANDS(X)                                         \
    X(0, load_window, load_window_command, window)                      \
    X(1, random_number, random_number, core)                            \
    X(2, to_text, to_text, core)                                        \
    X(3, current_directory, current_directory, core)                    \
    X(4, write_config_item, write_config_item, core)                    \
    X(5, right_text, right_text, core)                                  \
    X(6, play_midi, play_midi, music)                                   \
    X(7, seed_random, seed_random, core)                                \
    X(8, read_config_item, read_config_item, core)                      \
    X(9, split_text, split_text, core)                                  \
    X(10, text_length, text_length, core)                               \
    X(11, stop_playback, stop_playback, music)                          \
    X(12, to_byte_set, to_byte_set, core)                               \
    X(13, write_file, write_file, core)                                 \
    X(14, object_create, object_create, core)                           \
    X(15, object_write_property, object_write_property, core)           \
    X(16, object_call_method, object_call_method, core)                 \
    X(17, variant_set_type, variant_set_type, core)                     \
    X(18, byte_set_length, byte_set_length, core)                       \
    X(19, variant_create_array, variant_create_array, core)             \
    X(20, variant_assign, variant_assign, core)                         \
    X(21, object_call_text_method, object_call_text_method, core)       \
    X(22, object_call_variant_method, object_call_variant_method, core) \
    X(23, variant_to_byte_set, variant_to_byte_set, core)               \
    X(24, variant_clear, variant_clear, core)                           \
    X(25, object_clear, object_clear, core)                             \
    X(26, find_text, find_text, core)                                   \
    X(27, middle_text, middle_text, core)                               \
    X(28, find_text_reverse, find_text_reverse, core)                   \
    X(29, to_number, to_number, core)

namespace qinghe {

#define QINGHE_CORE_COMMAND_NUMBER(number, name, entry, group) name = number,
enum class CoreCommand : int32_t { QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_NUMBER) };
#undef QINGHE_CORE_COMMAND_NUMBER

#define QINGHE_CORE_COMMAND_ONE(number, name, entry, group) +1
inline constexpr int32_t kCoreCommandCount = 0 QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_ONE);
#undef QINGHE_CORE_COMMAND_ONE

// The table, indexed by command number.
const CommandEntry* core_command_table();
CommandEntry core_command(CoreCommand number);

// Fills the slot of a window or music group command (at start-up, before
// any command runs).
void install_core_command(CoreCommand number, CommandEntry entry);

}  // namespace qinghe
