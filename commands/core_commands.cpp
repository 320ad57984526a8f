#include "commands/core_commands.h"

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

// By command number. Read down the list to check the numbering.
constexpr CommandEntry kTable[kCoreCommandCount] = {
    /*  0 load_window                */ load_window_command,
    /*  1 random_number              */ random_number,
    /*  2 to_text                    */ to_text,
    /*  3 current_directory          */ current_directory,
    /*  4 write_config_item          */ write_config_item,
    /*  5 right_text                 */ right_text,
    /*  6 play_midi                  */ play_midi,
    /*  7 seed_random                */ seed_random,
    /*  8 read_config_item           */ read_config_item,
    /*  9 split_text                 */ split_text,
    /* 10 text_length                */ text_length,
    /* 11 stop_playback              */ stop_playback,
    /* 12 to_byte_set                */ to_byte_set,
    /* 13 write_file                 */ write_file,
    /* 14 object_create              */ object_create,
    /* 15 object_write_property      */ object_write_property,
    /* 16 object_call_method         */ object_call_method,
    /* 17 variant_set_type           */ variant_set_type,
    /* 18 byte_set_length            */ byte_set_length,
    /* 19 variant_create_array       */ variant_create_array,
    /* 20 variant_assign             */ variant_assign,
    /* 21 object_call_text_method    */ object_call_text_method,
    /* 22 object_call_variant_method */ object_call_variant_method,
    /* 23 variant_to_byte_set        */ variant_to_byte_set,
    /* 24 variant_clear              */ variant_clear,
    /* 25 object_clear               */ object_clear,
    /* 26 find_text                  */ find_text,
    /* 27 middle_text                */ middle_text,
    /* 28 find_text_reverse          */ find_text_reverse,
    /* 29 to_number                  */ to_number,
};

}  // namespace

const CommandEntry* core_command_table() { return kTable; }
CommandEntry core_command(CoreCommand number) { return kTable[int32_t(number)]; }

}  // namespace qinghe
