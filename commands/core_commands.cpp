#include "commands/core_commands.h"

#include "commands/config_file_commands.h"
#include "commands/conversion_commands.h"
#include "commands/random_commands.h"
#include "commands/text_commands.h"

namespace qinghe {
namespace {

// By command number. Read down the list to check the numbering.
constexpr CommandEntry kTable[kCoreCommandCount] = {
    /*  0 load_window                */ nullptr,
    /*  1 random_number              */ random_number,
    /*  2 to_text                    */ to_text,
    /*  3 current_directory          */ current_directory,
    /*  4 write_config_item          */ write_config_item,
    /*  5 right_text                 */ right_text,
    /*  6 play_midi                  */ nullptr,
    /*  7 seed_random                */ seed_random,
    /*  8 read_config_item           */ read_config_item,
    /*  9 split_text                 */ split_text,
    /* 10 text_length                */ text_length,
    /* 11 stop_playback              */ nullptr,
    /* 12 to_byte_set                */ to_byte_set,
    /* 13 write_file                 */ write_file,
    /* 14 object_create              */ nullptr,
    /* 15 object_write_property      */ nullptr,
    /* 16 object_call_method         */ nullptr,
    /* 17 variant_set_type           */ nullptr,
    /* 18 byte_set_length            */ byte_set_length,
    /* 19 variant_create_array       */ nullptr,
    /* 20 variant_assign             */ nullptr,
    /* 21 object_call_text_method    */ nullptr,
    /* 22 object_call_variant_method */ nullptr,
    /* 23 variant_to_byte_set        */ nullptr,
    /* 24 variant_clear              */ nullptr,
    /* 25 object_clear               */ nullptr,
    /* 26 find_text                  */ find_text,
    /* 27 middle_text                */ middle_text,
    /* 28 find_text_reverse          */ find_text_reverse,
    /* 29 to_number                  */ to_number,
};

}  // namespace

const CommandEntry* core_command_table() { return kTable; }
CommandEntry core_command(CoreCommand number) { return kTable[int32_t(number)]; }

}  // namespace qinghe
