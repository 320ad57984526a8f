// qinghe-analyse's --output. A symbolic link is followed: the file it names
// is the target. A regular file, or a path where nothing is yet, gets the
// result through a temporary file in its folder that is renamed over it
// only once it is whole, so a failed run never leaves half a file; a file
// replaced so keeps its mode, and its owner and group where the process
// may set them, and a new file gets 0666 less the umask. Anything else
// that exists (a FIFO, a terminal, /dev/null) is opened and written in
// place, as any program writing to it would: no temporary file, no rename.
// On Windows (output_file_windows.cpp) a file is replaced the same way, by
// wide-character name, keeping its attributes; a read-only file is refused,
// as Windows will not replace it; links are not followed, and owners, modes
// and FIFOs have no meaning there.
#pragma once

#include <string>

namespace qinghe::platform {

// Whether the result can go to `path`: for a file, a temporary file can be
// created in its folder (and is removed again); for anything else, it is
// not a folder and may be written. `error` says why not.
bool output_target_writable(const std::string& path, std::string& error);

// Writes `contents` to `path` as above; on failure no temporary file is
// left behind and `error` says why.
bool write_output_file(const std::string& path, const std::string& contents, std::string& error);

}  // namespace qinghe::platform
