// The setting file on disk: read whole and replaced whole, so that a crash
// leaves the old file or the new one, never half of one. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe::platform {

// A setting file is small; anything longer counts as unreadable.
inline constexpr size_t kMaxProfileBytes = size_t(1) << 20;

// The file's bytes; an empty optional when it cannot be read (a device, a
// pipe, a file over kMaxProfileBytes). A missing file reads as empty when
// `missing_is_empty`.
std::optional<std::string> load_profile_file(const std::string& path, bool missing_is_empty);

// Replaces the file's bytes. A file that is not writable by the user (or,
// for a new file, whose folder is not) is left as it is and this fails.
bool replace_profile_file(const std::string& path, std::string_view bytes);

}  // namespace qinghe::platform
