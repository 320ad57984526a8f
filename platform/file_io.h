// Small helpers over file descriptors shared by the file-writing code.
#pragma once

#include <string_view>

namespace qinghe::platform {

// Writes every byte, retrying after interruptions; false on any failure.
bool write_all(int fd, std::string_view bytes);

}  // namespace qinghe::platform
