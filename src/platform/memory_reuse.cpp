#include "platform/memory_reuse.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace vexmor::platform {

void keepFreedMemoryForReuse() {
#ifdef __GLIBC__
    // Blocks up to 32 MiB come from the heap rather than a mapping of their own, and up to
    // 64 MiB of free heap is kept rather than returned.
    constexpr int kMappedFrom = 32 << 20;
    constexpr int kKeptFree = 64 << 20;
    mallopt(M_MMAP_THRESHOLD, kMappedFrom);
    mallopt(M_TRIM_THRESHOLD, kKeptFree);
#endif
}

}  // namespace vexmor::platform
