// Handle blocks on Linux are C-heap blocks, whichever side made them: a native host makes its own
// with the same heap and frees the plug-in's with it, so the heap knows their size (at least what
// was asked for).
#include <malloc.h>

#include <cstdlib>

#include "platform/platform.h"

namespace zar::platform {

void* GlobalBlockAllocDirect(size_t size) {
  // Never a null result for size 0: a handle's data block always has an address.
  return std::calloc(size ? size : 1, 1);
}

void GlobalBlockFree(void* block) { std::free(block); }

int64_t GlobalBlockSize(const void* block) {
  return block ? int64_t(malloc_usable_size(const_cast<void*>(block))) : -1;
}

}  // namespace zar::platform
