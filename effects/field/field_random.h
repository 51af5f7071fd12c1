// Shortcuts through the module's generator that keep its sequence exact: the state after any
// number of draws, and the draws' parity (rand() mod 2) by a table along their cycle.
#pragma once

#include <cstdint>

#include "effects/field/field_kernels.h"
#include "base/rng.h"

namespace zar {

// The generator's state after n more draws, without drawing them. One draw maps the state x to
// a x + c (mod 2^32); n of them map it to A x + C with A = a^n and C = c (a^(n-1) + ... + a + 1),
// both worked out by repeated squaring.
void SkipDraws(Rng& rng, uint64_t n);

// Two draws at once: the state after two draws is A2 x + C2, so the second draw need not wait
// for the first.
struct DrawPair {
  int first, second;
};
inline DrawPair NextTwo(Rng& rng) {
  constexpr uint32_t a = 214013u, c = 2531011u;
  const uint32_t s1 = rng.state * a + c;
  const uint32_t s2 = rng.state * (a * a) + (a * c + c);
  rng.state = s2;
  return {int((s1 >> 16) & 0x7FFF), int((s2 >> 16) & 0x7FFF)};
}

// x mod d for the generator's results (x below 2^15) and d from 1 to 256, without a division:
// with m = ceil(2^32 / d), (x m) >> 32 is x / d, as the error x (m d - 2^32) / (d 2^32) stays
// below 1/d.
struct DrawModulus {
  uint32_t d;
  uint64_t m;
  explicit DrawModulus(uint32_t divisor)
      : d(divisor), m(((uint64_t(1) << 32) + divisor - 1) / divisor) {}
  int Of(int x) const { return x - int((uint64_t(x) * m) >> 32) * int(d); }
};

// rand() mod 2 is bit 16 of the state after the draw. The low 17 bits of the state follow the
// same recurrence mod 2^17, which runs through all 2^17 values in one cycle, so the parities
// repeat with that period. The table (field_kernels::kCoinCycle + kCoinMargin bytes) holds 0xFF
// or 0 for bit 16 of each state of the cycle that starts at 0; it is built on first use.
const uint8_t* CoinCycleTable();

// Where a state lies on that cycle: the i with state = i-th state of the cycle (mod 2^17).
uint32_t CoinCyclePosition(uint32_t state);

// The coins of a pass that draws down columns of R cells, rearranged so each row of the field
// reads its coins from consecutive bytes (see field_kernels::CoinRows); built from the cycle
// table when R changes.
const field_kernels::CoinRows& CoinRowsFor(int32_t R);

}  // namespace zar
