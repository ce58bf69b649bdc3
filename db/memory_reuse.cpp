#include "db/memory_reuse.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

void KeepFreedMemoryForReuse() {
#if defined(M_TRIM_THRESHOLD) && defined(M_MMAP_THRESHOLD)
  // Free memory at the top of the heap goes back to the system beyond 64 MiB only, and blocks
  // below 32 MiB come from the heap, where a freed one is reused, rather than from a mapping of
  // their own that is unmapped when freed.
  mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
#endif
}
