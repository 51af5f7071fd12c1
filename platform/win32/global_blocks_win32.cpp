// Global memory blocks on Windows: the blocks a plug-in's own handles are made of, and a host's
// handles too, so that either side can size and free the other's.
#include <windows.h>

#include "platform/platform.h"

namespace zar::platform {

void* GlobalBlockAllocDirect(size_t size) {
  // GlobalAlloc takes 0 bytes of movable memory, but the block it makes is discarded and cannot
  // be locked: it would have no address. One byte gives an empty block an address to lock.
  HGLOBAL block = GlobalAlloc(GHND, size ? size : 1);
  if (!block) return nullptr;
  void* address = GlobalLock(block);
  if (!address) GlobalFree(block);
  return address;
}

void GlobalBlockFree(void* address) {
  if (!address) return;
  HGLOBAL block = GlobalHandle(address);
  if (!block) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

int64_t GlobalBlockSize(const void* address) {
  if (!address) return -1;
  HGLOBAL block = GlobalHandle(address);
  if (!block) return -1;
  SIZE_T size = GlobalSize(block);
  return size ? int64_t(size) : -1;
}

}  // namespace zar::platform
