#include "platform/ProcessMemory.h"

#include <malloc.h>

namespace platform {

void KeepFreedMemoryForReuse() {
  // Setting either value also stops the C library from raising them on its
  // own, so both are given.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
}

}  // namespace platform
