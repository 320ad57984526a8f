// INI ("profile") files: reading and writing single items.
//
// Texts are GBK bytes in memory. On disk a file is UTF-8 when it starts
// with the UTF-8 byte-order mark or when its bytes are valid UTF-8 holding
// non-ASCII characters (as a text editor saves it); every other file, and
// every new one, is GBK. Names and values cross between the two, and a
// write leaves the file in its own charset. The file is named by a path in
// the file system's own encoding. The behaviour callers rely on:
// - Sections and keys are found case-insensitively (ASCII letters only;
//   double-byte characters compare exactly). Names and values are trimmed
//   of surrounding blanks (spaces and tabs). The first section of a name
//   and the first key in it win.
// - Quotes have no meaning: a value is the text after '=' as it stands,
//   trimmed, quotes included.
// - Lines starting with ';' are comments. Comments, blank lines and lines
//   that are neither a section header nor a key line are kept untouched,
//   as is every line a write does not change, byte for byte (line end,
//   missing final newline, a leading UTF-8 byte-order mark included).
// - A file longer than 1 MiB, or one that is not a regular file (a link
//   to a device, a pipe), cannot be read: reads find nothing and writes
//   fail, leaving it as it is.
// - A write keeps the file's line ending (CRLF or LF; CRLF for a new
//   file) and creates the file when needed. It fails, touching nothing,
//   when the file (for a new file, its folder) is not writable by the
//   user, judged by its permission bits (see file_permission.h), so a
//   read-only file stays read-only even for root. Otherwise it replaces the
//   file atomically (a temporary file beside it with the old file's mode
//   and owner, then a rename), or rewrites it in place where the folder
//   is read-only or the owner could not be kept. Writes and reads are
//   serialised by one process-wide lock.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe::platform {

// The value of `key` in `section`, cut to at most `buffer_size` - 1 bytes
// without splitting a double-byte character; nullopt when the file, the
// section or the key is missing.
std::optional<std::string> read_profile_string(const std::string& path, std::string_view section,
                                               std::string_view key, size_t buffer_size);

// Sets `key` in `section` to `value`. A null value deletes the key (every
// line of it in the section); a null key deletes the section (every section
// of that name). Deleting what is not there succeeds without touching the
// file. Fails on an empty section or key, on names or values that would
// break the line structure (a line break; ']' in a section, '=' in a key,
// a key starting with '[' or ';'), or when the file cannot be written.
bool write_profile_string(const std::string& path, std::string_view section,
                          std::optional<std::string_view> key,
                          std::optional<std::string_view> value);

}  // namespace qinghe::platform
