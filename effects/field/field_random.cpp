#include "effects/field/field_random.h"

#include "effects/field/field_kernels.h"

namespace zar {

namespace {

constexpr uint32_t kMultiplier = 214013u;
constexpr uint32_t kIncrement = 2531011u;

// x -> a x + c (mod 2^32).
struct Affine {
  uint32_t a, c;
};

// f after g.
Affine Compose(Affine f, Affine g) { return {f.a * g.a, f.a * g.c + f.c}; }

// n draws.
Affine Draws(uint64_t n) {
  Affine result{1, 0};
  Affine power{kMultiplier, kIncrement};
  for (; n != 0; n >>= 1) {
    if (n & 1) result = Compose(power, result);
    power = Compose(power, power);
  }
  return result;
}

uint8_t gCoins[field_kernels::kCoinCycle + field_kernels::kCoinMargin];
bool gCoinsBuilt = false;

uint8_t gCoinRows[field_kernels::kCoinCycle + field_kernels::kCoinMargin];
field_kernels::CoinRows gRows{gCoinRows, 0, 0, 0};
int32_t gRowsFor = -1;  // the R gRows was built for

}  // namespace

void SkipDraws(Rng& rng, uint64_t n) {
  const Affine f = Draws(n);
  rng.state = f.a * rng.state + f.c;
}

const uint8_t* CoinCycleTable() {
  if (!gCoinsBuilt) {
    constexpr uint32_t kMask = field_kernels::kCoinCycle - 1;
    uint32_t state = 0;
    for (uint32_t i = 0; i < field_kernels::kCoinCycle; ++i) {
      gCoins[i] = (state >> 16) & 1 ? 0xFF : 0;
      state = (state * kMultiplier + kIncrement) & kMask;
    }
    for (uint32_t i = 0; i < field_kernels::kCoinMargin; ++i)
      gCoins[field_kernels::kCoinCycle + i] = gCoins[i];
    gCoinsBuilt = true;
  }
  return gCoins;
}

const field_kernels::CoinRows& CoinRowsFor(int32_t R) {
  if (R == gRowsFor) return gRows;
  const uint8_t* coins = CoinCycleTable();
  constexpr uint32_t kMask = field_kernels::kCoinCycle - 1;
  uint32_t v = 0;
  while (v < 17 && (uint32_t(R) >> v & 1) == 0) ++v;
  const uint32_t L = field_kernels::kCoinCycle >> v;
  const uint32_t odd = (uint32_t(R) >> v) & (L - 1);
  // The inverse of an odd number mod 2^k by Newton's iteration (each step doubles the correct
  // low bits); mod 1 everything is 0.
  uint32_t inverse = odd;
  for (int i = 0; i < 5; ++i) inverse *= 2 - odd * inverse;
  inverse &= L - 1;
  uint32_t at = 0;
  for (uint32_t r = 0; r < (uint32_t(1) << v); ++r) {
    uint32_t m = 0;  // (j R') mod L
    for (uint32_t j = 0; j < L; ++j) {
      gCoinRows[at++] = coins[(r + (m << v)) & kMask];
      m = (m + odd) & (L - 1);
    }
  }
  for (uint32_t i = 0; i < field_kernels::kCoinMargin; ++i) gCoinRows[at + i] = 0;
  gRows = {gCoinRows, v, L, inverse};
  gRowsFor = R;
  return gRows;
}

uint32_t CoinCyclePosition(uint32_t state) {
  // The recurrence mod 2^j has period 2^j, so the low j bits of the i-th state depend only on
  // the low j bits of i: fix i one bit at a time.
  uint32_t i = 0;
  for (uint32_t j = 1; j <= 17; ++j) {
    const uint32_t mask = (uint32_t(1) << j) - 1;
    if ((Draws(i).c & mask) != (state & mask)) i |= uint32_t(1) << (j - 1);
  }
  return i;
}

}  // namespace zar
