#include "base/HeapPolicy.h"

#include <malloc.h>

namespace tevra {

void ReturnLargeBuffersToSystem() {
  // glibc's own starting value, fixed: setting it turns the dynamic raise off.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

}  // namespace tevra
