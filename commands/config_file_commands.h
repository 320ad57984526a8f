// The current directory, items of INI configuration files, and writing
// byte sets to a file. File names are GBK texts; they reach the file
// system as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/values.h"

namespace qinghe {

// read_config_item gives back at most this many bytes less one of a value.
inline constexpr size_t kConfigValueBuffer = 10240;

// -> text: the process's working directory.
void current_directory(TaggedArg* result, int32_t count, TaggedArg* args);
// file, section, key [, default] -> text.
void read_config_item(TaggedArg* result, int32_t count, TaggedArg* args);
// file, section [, key [, value]] -> logical. No key deletes the section,
// no value deletes the key.
void write_config_item(TaggedArg* result, int32_t count, TaggedArg* args);
// file, byte set, ... -> logical: the file replaced by the byte sets.
void write_file(TaggedArg* result, int32_t count, TaggedArg* args);

}  // namespace qinghe
