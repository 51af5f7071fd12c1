// Failure injection for tests, shared by both platform implementations.
#pragma once

namespace zar::platform::detail {

// True when the next allocation must fail (consumes one step of the countdown).
bool AllocationShouldFail();

// True while file writes are made to fail.
bool FileWritesFail();

}  // namespace zar::platform::detail
