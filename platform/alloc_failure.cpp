#include "platform/alloc_failure.h"

#include "platform/platform.h"

namespace zar::platform {

namespace {
int gAllocationsLeft = -1;  // negative: never fail
}

void testing::FailAllocationsAfter(int count) { gAllocationsLeft = count; }

bool detail::AllocationShouldFail() {
  if (gAllocationsLeft < 0) return false;
  if (gAllocationsLeft == 0) return true;
  --gAllocationsLeft;
  return false;
}

}  // namespace zar::platform
