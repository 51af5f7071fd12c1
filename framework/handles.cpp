#include "framework/handles.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/platform.h"

namespace zar {

namespace {
int16 gHandleError = 0;

// The master blocks this module made and has not freed, each with its data block. A handle is
// told to be ours by its address and its data pointer (the one pointer every handle holds), never
// by reading our signature: a host's handle may be a single pointer, and the bytes after it are
// not ours to read. A host that freed one of ours and made its own at the same address is told
// apart by the data pointer.
std::mutex gOwnMutex;
// An object, not a pointer to one, so that a host unloading the module frees it with the module.
std::unordered_map<const void*, const void*>& OwnHandles() {
  static std::unordered_map<const void*, const void*> handles;
  return handles;
}
}  // namespace

int16 HandleError() { return gHandleError; }

Handle NewPluginHandle(int32 size) {
  gHandleError = kNoErr;
  if (size < 0) {
    gHandleError = kMemFullErr;
    return nullptr;
  }
  auto* master = static_cast<char*>(platform::GlobalBlockAlloc(kHandleMasterSize));
  void* data = master ? platform::GlobalBlockAlloc(size_t(size)) : nullptr;
  if (!master || !data) {
    platform::GlobalBlockFree(data);
    platform::GlobalBlockFree(master);
    gHandleError = kMemFullErr;
    return nullptr;
  }
  std::memcpy(master, &data, sizeof data);
  const uint32_t signature = kHandleSignature;
  std::memcpy(master + sizeof(void*), &signature, sizeof signature);
  {
    std::lock_guard<std::mutex> lock(gOwnMutex);
    OwnHandles()[master] = data;
  }
  return reinterpret_cast<Handle>(master);
}

void DisposePluginHandle(Handle handle) {
  if (!handle) {
    gHandleError = kNilHandleErr;
    return;
  }
  gHandleError = kNoErr;
  {
    std::lock_guard<std::mutex> lock(gOwnMutex);
    OwnHandles().erase(handle);
  }
  platform::GlobalBlockFree(*handle);
  platform::GlobalBlockFree(handle);
}

bool IsPluginHandle(Handle handle) {
  if (!handle) return false;
  std::lock_guard<std::mutex> lock(gOwnMutex);
  const auto it = OwnHandles().find(handle);
  return it != OwnHandles().end() && it->second == *handle;
}

int64_t HandleDataSize(const HandleProcs* procs, Handle handle) {
  if (!handle || !*handle) return -1;
  // Ours are sized by the system: a host's suite may size a handle it did not make by its
  // master block (a few bytes), or not at all.
  if (IsPluginHandle(handle)) return platform::GlobalBlockSize(*handle);
  if (HandleSuiteUsable(procs)) {
    const int32 size = procs->getSizeProc(handle);
    if (size > 0) return size;
  }
  // A host without a suite, or one that answers 0 (it cannot tell, or the block is empty): the
  // system's size of the data block when the system knows it (-1 when it does not).
  return platform::GlobalBlockSize(*handle);
}

bool HandleSuiteUsable(const HandleProcs* procs) {
  return procs && procs->handleProcsVersion == kCurrentHandleProcsVersion &&
         procs->numHandleProcs > 6 && procs->newProc && procs->disposeProc && procs->getSizeProc &&
         procs->setSizeProc;
}

Handle HostNewHandle(const HandleProcs* procs, int32 size) {
  return HandleSuiteUsable(procs) ? procs->newProc(size) : NewPluginHandle(size);
}

void HostDisposeHandle(const HandleProcs* procs, Handle handle) {
  if (HandleSuiteUsable(procs))
    procs->disposeProc(handle);
  else
    DisposePluginHandle(handle);
}

Ptr HostLockHandle(const HandleProcs* procs, Handle handle, Boolean moveHigh) {
  if (HandleSuiteUsable(procs) && procs->lockProc) return procs->lockProc(handle, moveHigh);
  return handle ? *handle : nullptr;
}

void HostUnlockHandle(const HandleProcs* procs, Handle handle) {
  // Our own handles stay locked for their whole life.
  if (HandleSuiteUsable(procs) && procs->unlockProc) procs->unlockProc(handle);
}

}  // namespace zar
