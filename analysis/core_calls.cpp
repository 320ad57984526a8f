#include "analysis/core_calls.h"

#include <string>

#include "commands/core_commands.h"
#include "runtime/frame.h"
#include "runtime/property_block.h"

namespace qinghe::app {
namespace {

TaggedArg call(CoreCommand command, std::initializer_list<TaggedArg> args) {
    TaggedArg list[6];
    int32_t count = 0;
    for (const TaggedArg& a : args) list[count++] = a;
    return call_core_command(core_command(command), count, list);
}

TaggedArg text_arg(const char* t) { return TaggedArg::of_text(t ? t : ""); }

}  // namespace

int32_t text_length(const char* text) {
    return call(CoreCommand::text_length, {text_arg(text)}).as_int();
}

char* middle_text(const char* text, int32_t start, int32_t length) {
    return static_cast<char*>(
        call(CoreCommand::middle_text,
             {text_arg(text), TaggedArg::of_int(start), TaggedArg::of_int(length)})
            .pointer());
}

char* right_text(const char* text, int32_t count) {
    return static_cast<char*>(
        call(CoreCommand::right_text, {text_arg(text), TaggedArg::of_int(count)}).pointer());
}

int32_t find_text(const char* text, const char* sought, int32_t start, bool ignore_case) {
    return call(CoreCommand::find_text, {text_arg(text), text_arg(sought), TaggedArg::of_int(start),
                                         TaggedArg::of_bool(ignore_case)})
        .as_int();
}

int32_t find_text_from_start(const char* text, const char* sought) {
    return call(CoreCommand::find_text, {text_arg(text), text_arg(sought)}).as_int();
}

int32_t find_text_reverse_whole(const char* text, const char* sought) {
    return call(CoreCommand::find_text_reverse, {text_arg(text), text_arg(sought)}).as_int();
}

ArrayBlock* split_text(const char* text, const char* separator) {
    return call(CoreCommand::split_text, {text_arg(text), text_arg(separator)}).array();
}

char* to_text(const TaggedArg& value) {
    return static_cast<char*>(call(CoreCommand::to_text, {value}).pointer());
}

float to_number(const char* text) {
    return call(CoreCommand::to_number, {text_arg(text)}).as_float();
}

ByteSet* to_byte_set(const char* text) {
    return call(CoreCommand::to_byte_set, {text_arg(text)}).byte_set();
}

bool write_file(const char* name, const ByteSet* bytes) {
    return call(CoreCommand::write_file, {text_arg(name), TaggedArg::of_byte_set(bytes)}).as_bool();
}

char* current_directory() {
    return static_cast<char*>(call(CoreCommand::current_directory, {}).pointer());
}

char* read_config_item(const char* file, const char* section, const char* key) {
    return static_cast<char*>(
        call(CoreCommand::read_config_item, {text_arg(file), text_arg(section), text_arg(key)})
            .pointer());
}

bool write_config_item(const char* file, const char* section, const char* key, const char* value) {
    return call(CoreCommand::write_config_item,
                {text_arg(file), text_arg(section), text_arg(key), text_arg(value)})
        .as_bool();
}

void seed_random() { call(CoreCommand::seed_random, {}); }

bool load_window(uint32_t window_id, bool modal) {
    return call(CoreCommand::load_window, {TaggedArg::of_unit(window_id, 0, UnitType::kWindow),
                                           TaggedArg{}, TaggedArg::of_bool(modal)})
        .as_bool();
}

void play_midi_once(const ByteSet* piece) {
    call(CoreCommand::play_midi,
         {TaggedArg::of_int(1), TaggedArg{}, TaggedArg::of_byte_set(piece)});
}

void stop_playback() { call(CoreCommand::stop_playback, {}); }

char* join_texts(std::initializer_list<const char*> parts) {
    std::string joined;
    for (const char* p : parts)
        if (p) joined += p;
    return make_text(joined);
}

}  // namespace qinghe::app
