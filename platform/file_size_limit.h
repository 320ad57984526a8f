// A file-size limit set on the process (ulimit -f).
#pragma once

namespace qinghe::platform {

// Makes a write beyond the limit fail (the caller sees the error) instead
// of ending the program. Windows sets no such limit.
void fail_writes_beyond_file_size_limit();

}  // namespace qinghe::platform
