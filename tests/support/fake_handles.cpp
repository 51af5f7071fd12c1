#include "tests/support/fake_handles.h"

#include <cstdlib>
#include <cstring>

namespace zar::testing {

namespace {

struct Block {
  char* data;
  int32 size;
};

FakeHandleSuite* gSuite = nullptr;
std::map<Handle, Block>& Blocks() {
  static std::map<Handle, Block> blocks;
  return blocks;
}

Handle ZAR_CDECL NewHandle(int32 size) {
  if (size < 0) return nullptr;
  ++gSuite->newCalls;
  // The cell is as large as a master block of ours, so probing it for our signature stays inside.
  auto* cell = static_cast<char**>(std::calloc(1, sizeof(char*) + 8));
  *cell = static_cast<char*>(std::calloc(size_t(size) + 1, 1));
  Blocks()[cell] = {*cell, size};
  return cell;
}

void ZAR_CDECL DisposeHandle(Handle h) {
  ++gSuite->disposeCalls;
  auto it = Blocks().find(h);
  if (it == Blocks().end()) return;
  std::free(it->second.data);
  std::free(h);
  Blocks().erase(it);
}

int32 ZAR_CDECL GetSize(Handle h) {
  auto it = Blocks().find(h);
  return it == Blocks().end() ? 0 : it->second.size;
}

OSErr ZAR_CDECL SetSize(Handle, int32) { return kMemFullErr; }

Ptr ZAR_CDECL Lock(Handle h, Boolean) {
  ++gSuite->lockCalls;
  return *h;
}

void ZAR_CDECL Unlock(Handle) { ++gSuite->unlockCalls; }

void ZAR_CDECL RecoverSpace(int32) {}

}  // namespace

FakeHandleSuite::FakeHandleSuite() {
  gSuite = this;
  procs.handleProcsVersion = 1;
  procs.numHandleProcs = 7;
  procs.newProc = NewHandle;
  procs.disposeProc = DisposeHandle;
  procs.getSizeProc = GetSize;
  procs.setSizeProc = SetSize;
  procs.lockProc = Lock;
  procs.unlockProc = Unlock;
  procs.recoverSpaceProc = RecoverSpace;
}

FakeHandleSuite::~FakeHandleSuite() {
  for (auto& [handle, block] : Blocks()) {
    std::free(block.data);
    std::free(handle);
  }
  Blocks().clear();
  gSuite = nullptr;
}

Handle FakeHandleSuite::Make(int32 size) { return NewHandle(size); }

size_t FakeHandleSuite::live() const { return Blocks().size(); }

}  // namespace zar::testing
