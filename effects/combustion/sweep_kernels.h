// The kernels of the propagation sweep, one table per instruction set. Plain declarations
// only: this header is shared with files compiled for wider instruction sets.
#pragma once

#include <cstdint>

namespace zar::combustion::detail {

// The cooling of one sweep: cells above `a` (oxygen) lose `a`; cells above `b` (the lower
// threshold) and at most `a` lose `drop`; cooler cells keep their heat. Made by MakeCooling, so
// that b <= a (a threshold at or above `a` never applies and becomes 255 with no drop) and
// drop <= b.
struct Cooling {
  uint8_t a, b, drop;
};

// One sweep over a field of `width` x `height` cells (its frame included), by flameDirection
// 0..7 and without or with a drop (indexed by drop != 0). sweep_rows.h says what each computes.
using SweepFunction = void (*)(uint8_t* cells, int width, int height, Cooling k);

struct SweepKernels {
  SweepFunction sweep[8][2];
};

// Cell by cell; 16 cells at a time with SSE2; 32 with AVX2 (null where the build has none).
extern const SweepKernels kPortableSweeps;
extern const SweepKernels* const kSse2Sweeps;
extern const SweepKernels* const kAvx2Sweeps;

}  // namespace zar::combustion::detail
