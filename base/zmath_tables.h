// Constant tables of the elementary functions (zmath), generated with MPFR by tests/math/zmath_gen.
#pragma once

#include <cstdint>

namespace zar::zmath::detail {

// Enough bits of 1/pi to reduce any finite double modulo pi/2 with 32 * 20 bits to spare.
constexpr int kInvPiWords = 56;
// Enough bits of pi for the most precise accurate step (16 words) with a margin.
constexpr int kPiWords = 20;

extern const uint32_t kInvPiBits[kInvPiWords];
extern const uint32_t kPiBits[kPiWords];
extern const double kSinCosPi256[128][4];
extern const double kAtan128[129][2];

}  // namespace zar::zmath::detail
