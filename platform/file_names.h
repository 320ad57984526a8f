// File names travel through the program as UTF-8 strings (the file system's
// own encoding on Linux). These turn them into the system's paths and back,
// and open, examine and replace files by such names: on Windows through the
// wide-character calls, so that Chinese names work whatever the code page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qinghe::platform {

std::filesystem::path native_path(std::string_view utf8);
std::string utf8_path(const std::filesystem::path& path);

// open(2) by UTF-8 name; the descriptor is not inherited by programs the
// process starts and, on Windows, reads and writes bytes unchanged.
int open_file(const std::string& path, int flags, int mode = 0666);

// Opens `path` for writing, creating it when missing, with no other writer
// while it stays open: -1 when it cannot be opened or someone else writes it.
int open_for_sole_writing(const std::string& path);

// Flushes a written file to its disk.
bool sync_file(int fd);
// Cuts the file off after `size` bytes.
bool truncate_file(int fd, int64_t size);

// Moves `from` over `to` in one step: `to` is either the old or the new file.
bool rename_over(const std::string& from, const std::string& to);

// The running program's own file (its links resolved), empty when unknown.
std::string program_file();

}  // namespace qinghe::platform
