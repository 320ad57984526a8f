// The core library's command table: command numbers and their entries.
#pragma once

#include "runtime/frame.h"

namespace qinghe {

enum class CoreCommand : int32_t {
    load_window = 0,
    random_number = 1,
    to_text = 2,
    current_directory = 3,
    write_config_item = 4,
    right_text = 5,
    play_midi = 6,
    seed_random = 7,
    read_config_item = 8,
    split_text = 9,
    text_length = 10,
    stop_playback = 11,
    to_byte_set = 12,
    write_file = 13,
    object_create = 14,
    object_write_property = 15,
    object_call_method = 16,
    variant_set_type = 17,
    byte_set_length = 18,
    variant_create_array = 19,
    variant_assign = 20,
    object_call_text_method = 21,
    object_call_variant_method = 22,
    variant_to_byte_set = 23,
    variant_clear = 24,
    object_clear = 25,
    find_text = 26,
    middle_text = 27,
    find_text_reverse = 28,
    to_number = 29,
};

inline constexpr int32_t kCoreCommandCount = 30;

// The table, indexed by command number; a slot not yet built is null.
const CommandEntry* core_command_table();
CommandEntry core_command(CoreCommand number);

}  // namespace qinghe
