#include "platform/failure_injection.h"

#include "platform/platform.h"

namespace zar::platform {

namespace {
int gAllocationsLeft = -1;  // negative: never fail
bool gFileWritesFail = false;
}

void testing::FailAllocationsAfter(int count) { gAllocationsLeft = count; }
void testing::FailFileWrites(bool fail) { gFileWritesFail = fail; }

bool detail::FileWritesFail() { return gFileWritesFail; }

void* GlobalBlockAlloc(size_t size) {
  return detail::AllocationShouldFail() ? nullptr : GlobalBlockAllocDirect(size);
}

bool detail::AllocationShouldFail() {
  if (gAllocationsLeft < 0) return false;
  if (gAllocationsLeft == 0) return true;
  --gAllocationsLeft;
  return false;
}

}  // namespace zar::platform
