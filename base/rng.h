// The pseudo-random generator of a module. The pictures depend on the exact sequence of the
// classic runtime generator (32-bit state, seed 1 when the module loads), so every build carries
// this one instead of calling the platform's rand: Linux and Windows builds give the same
// pictures, and a host that calls rand itself does not disturb our sequence.
#pragma once

#include <cstdint>

namespace zar {

struct Rng {
  uint32_t state = 1;

  void Seed(uint32_t seed) { state = seed; }
  // 0..32767
  int Next() {
    state = state * 214013u + 2531011u;
    return int((state >> 16) & 0x7FFF);
  }
};

}  // namespace zar
