// Whether the user may change a file or a folder, decided the way a user
// reads a listing: by the write bit of the owner, group or others class the
// process belongs to. Root counts as the owner of everything, so a file or
// folder made read-only (its owner's write bit cleared) stays read-only
// for root too, although the kernel would let root write it.
#pragma once

#include <string>

namespace qinghe::platform {

// True when `path` exists, its mode grants the user's class write
// permission and the system agrees (no read-only mount, no ACL denying it).
bool writable_by_user(const std::string& path);

}  // namespace qinghe::platform
