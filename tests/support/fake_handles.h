// A host handle suite for unit tests: handles are counted, sized and freed, so tests can tell
// which side made a handle and what its size is.
#pragma once

#include <cstdint>
#include <map>

#include "interface/host_api.h"

namespace zar::testing {

struct FakeHandleSuite {
  HandleProcs procs{};
  FakeHandleSuite();
  ~FakeHandleSuite();
  FakeHandleSuite(const FakeHandleSuite&) = delete;
  FakeHandleSuite& operator=(const FakeHandleSuite&) = delete;

  Handle Make(int32 size);  // a host-made handle (counted like the plug-in's requests)
  size_t live() const;
  int newCalls = 0, disposeCalls = 0, lockCalls = 0, unlockCalls = 0;
};

}  // namespace zar::testing
