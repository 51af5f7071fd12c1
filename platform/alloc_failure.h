// Allocation-failure injection shared by both platform implementations.
#pragma once

namespace zar::platform::detail {

// True when the next allocation must fail (consumes one step of the countdown).
bool AllocationShouldFail();

}  // namespace zar::platform::detail
