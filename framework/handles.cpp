#include "framework/handles.h"

#include <cstring>

#include "platform/platform.h"

namespace zar {

namespace {
int16 gHandleError = 0;
}

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
  return reinterpret_cast<Handle>(master);
}

void DisposePluginHandle(Handle handle) {
  if (!handle) {
    gHandleError = kNilHandleErr;
    return;
  }
  gHandleError = kNoErr;
  platform::GlobalBlockFree(*handle);
  platform::GlobalBlockFree(handle);
}

bool IsPluginHandle(Handle handle) {
  if (!handle) return false;
  uint32_t signature = 0;
  std::memcpy(&signature, reinterpret_cast<const char*>(handle) + sizeof(void*), sizeof signature);
  return signature == kHandleSignature;
}

bool HandleSuiteUsable(const HandleProcs* procs) {
  return procs && procs->handleProcsVersion == kCurrentHandleProcsVersion &&
         procs->numHandleProcs > 6 && procs->newProc && procs->disposeProc &&
         procs->getSizeProc && procs->setSizeProc;
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
