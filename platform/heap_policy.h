// How the C heap hands memory back to the system.
#pragma once

namespace qinghe::platform {

// Each fund page passes through several page-sized buffers that are freed
// right after; by default the heap returns them to the system and faults
// them in again for the next page, which costs more than the conversion
// itself. This keeps up to a few dozen MiB of freed memory for reuse.
void keep_freed_memory_for_reuse();

}  // namespace qinghe::platform
