// Typed wrappers around the core commands the application calls. Each one
// builds the argument records, calls the command through the frame and
// hands back the result; texts and byte sets returned are the caller's.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/memory.h"
#include "runtime/values.h"

namespace qinghe::app {

struct HeapDeleter {
    void operator()(void* p) const { mem_free(p); }
};
// A text, byte set or array block the application owns for a while.
using OwnedText = std::unique_ptr<char, HeapDeleter>;
using OwnedBytes = std::unique_ptr<ByteSet, HeapDeleter>;

int32_t text_length(const char* text);
char* middle_text(const char* text, int32_t start, int32_t length);
char* right_text(const char* text, int32_t count);
int32_t find_text(const char* text, const char* sought, int32_t start, bool ignore_case);
int32_t find_text_from_start(const char* text, const char* sought);
int32_t find_text_reverse_whole(const char* text, const char* sought);
ArrayBlock* split_text(const char* text, const char* separator);

char* to_text(const TaggedArg& value);
float to_number(const char* text);
ByteSet* to_byte_set(const char* text);
bool write_file(const char* name, const ByteSet* bytes);
char* current_directory();
char* read_config_item(const char* file, const char* section, const char* key);
bool write_config_item(const char* file, const char* section, const char* key, const char* value);
// Seeds the calling thread's generator from the tick count.
void seed_random();
// Loads a window without owner; true when the load succeeded.
bool load_window(uint32_t window_id, bool modal);
void play_midi_once(const ByteSet* piece);
void stop_playback();

// Concatenation of GBK texts into a new text (null when empty).
char* join_texts(std::initializer_list<const char*> parts);

}  // namespace qinghe::app
