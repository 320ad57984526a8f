// qinghe-analyse's --output: the result goes to a temporary file in the
// target's folder and is renamed over the target only once it is whole,
// so a failed run never leaves half a file.
#pragma once

#include <string>

namespace qinghe::app {

// Whether a file can be written into the target's folder: a temporary file
// is created there and removed again. `error` says why not.
bool output_folder_writable(const std::string& path, std::string& error);

// Writes `contents` to `path` through a temporary file and a rename; on
// failure nothing is left behind and `error` says why.
bool write_output_file(const std::string& path, const std::string& contents, std::string& error);

}  // namespace qinghe::app
