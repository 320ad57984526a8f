// The core library's command table: command numbers and their entries.
#pragma once

#include "runtime/frame.h"

// Every core command by number: X(number, name, entry). The numbers must run
// 0, 1, 2, ... down the list (core_commands.cpp checks it at compile time).
#define QINGHE_CORE_COMMANDS(X)                                   \
    X(0, load_window, load_window_command)                        \
    X(1, random_number, random_number)                            \
    X(2, to_text, to_text)                                        \
    X(3, current_directory, current_directory)                    \
    X(4, write_config_item, write_config_item)                    \
    X(5, right_text, right_text)                                  \
    X(6, play_midi, play_midi)                                    \
    X(7, seed_random, seed_random)                                \
    X(8, read_config_item, read_config_item)                      \
    X(9, split_text, split_text)                                  \
    X(10, text_length, text_length)                               \
    X(11, stop_playback, stop_playback)                           \
    X(12, to_byte_set, to_byte_set)                               \
    X(13, write_file, write_file)                                 \
    X(14, object_create, object_create)                           \
    X(15, object_write_property, object_write_property)           \
    X(16, object_call_method, object_call_method)                 \
    X(17, variant_set_type, variant_set_type)                     \
    X(18, byte_set_length, byte_set_length)                       \
    X(19, variant_create_array, variant_create_array)             \
    X(20, variant_assign, variant_assign)                         \
    X(21, object_call_text_method, object_call_text_method)       \
    X(22, object_call_variant_method, object_call_variant_method) \
    X(23, variant_to_byte_set, variant_to_byte_set)               \
    X(24, variant_clear, variant_clear)                           \
    X(25, object_clear, object_clear)                             \
    X(26, find_text, find_text)                                   \
    X(27, middle_text, middle_text)                               \
    X(28, find_text_reverse, find_text_reverse)                   \
    X(29, to_number, to_number)

namespace qinghe {

#define QINGHE_CORE_COMMAND_NUMBER(number, name, entry) name = number,
enum class CoreCommand : int32_t { QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_NUMBER) };
#undef QINGHE_CORE_COMMAND_NUMBER

#define QINGHE_CORE_COMMAND_ONE(number, name, entry) +1
inline constexpr int32_t kCoreCommandCount = 0 QINGHE_CORE_COMMANDS(QINGHE_CORE_COMMAND_ONE);
#undef QINGHE_CORE_COMMAND_ONE

// The table, indexed by command number.
const CommandEntry* core_command_table();
CommandEntry core_command(CoreCommand number);

}  // namespace qinghe
