// Which file a path names now: its number on the volume (the inode on
// POSIX systems, the file index on Windows), so that a caller can tell
// whether another process replaced the file meanwhile.
#pragma once

#include <cstdint>
#include <string>

namespace qinghe::platform {

// 0 when the path names nothing (or cannot be examined). UTF-8 path.
uint64_t file_identity(const std::string& path);

}  // namespace qinghe::platform
