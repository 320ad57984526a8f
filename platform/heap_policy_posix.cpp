#include "platform/heap_policy.h"

#include <malloc.h>

namespace qinghe::platform {

void keep_freed_memory_for_reuse() {
    // Blocks up to 16 MiB (the body cap) come from the heap, not from
    // separate mappings; the heap's top is trimmed beyond 32 MiB free.
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
    // Two heaps for all threads: a download worker's freed body is reused
    // by the others instead of each worker keeping a heap of its own.
    mallopt(M_ARENA_MAX, 2);
}

void return_freed_memory() { malloc_trim(0); }

}  // namespace qinghe::platform
