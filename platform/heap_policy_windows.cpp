#include "platform/heap_policy.h"

#include <malloc.h>

namespace qinghe::platform {

// The system heap keeps freed blocks for reuse by itself and has no
// per-thread arenas to limit.
void keep_freed_memory_for_reuse() {}

void return_freed_memory() { _heapmin(); }

}  // namespace qinghe::platform
