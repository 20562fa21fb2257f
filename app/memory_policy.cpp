#include "app/memory_policy.h"

#include <malloc.h>

namespace corvane {

void KeepFreedMemoryForBatch() {
    // Blocks up to 32 MB (the largest the allocator accepts here) come from
    // the heap rather than from mmap, and the heap's top is never trimmed.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

}  // namespace corvane
