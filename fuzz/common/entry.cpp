// libFuzzer's entry point, the same for every target: the input goes to the target's TestOneInput.
#include <cstddef>
#include <cstdint>

#include "fuzz/common/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zar::fuzz::FuzzInput input(data, size);
  zar::fuzz::TestOneInput(input);
  return 0;
}
