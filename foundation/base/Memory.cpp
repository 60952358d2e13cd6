#include "foundation/base/Memory.h"

#include <malloc.h>

namespace s::base {

void keepLargeBlocksInHeap() {
    // Failures leave the library's defaults, which only cost speed.
    (void)::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    (void)::mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

} // namespace s::base
