// The internet library (library number 2): one command, http_read, and the
// notify entry that closes the reader's root at program end.
#pragma once

#include "runtime/frame.h"

namespace qinghe {

// The record for the library table, at index Library::kInternet - 1.
LibraryRecord& internet_library();

}  // namespace qinghe
