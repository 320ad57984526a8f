// How the C heap hands memory back to the system.
#pragma once

namespace qinghe::platform {

// Each fund page passes through several page-sized buffers that are freed
// right after; by default the heap returns them to the system and faults
// them in again for the next page, which costs more than the conversion
// itself. This keeps up to a few dozen MiB of freed memory for reuse, in
// heaps that the threads share.
void keep_freed_memory_for_reuse();

// Hands the heap's free memory back to the system now, from every thread's
// arena: after a body as large as the cap was dropped, so that the worker
// threads do not each keep one.
void return_freed_memory();

}  // namespace qinghe::platform

