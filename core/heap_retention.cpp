#include "core/heap_retention.h"

#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace core {

void RetainFreedMemory() {
#if defined(__GLIBC__)
    // A 2048 x 2048 generation with its trails is about 14 MB of chunks; keep several. Fixing the
    // trim threshold stops glibc from adapting the mmap threshold, so set that as high as it would
    // adapt (its maximum): blocks below it come from the retained heap too.
    static const bool once = [] {
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        return true;
    }();
    (void)once;
#endif
}

}  // namespace core
