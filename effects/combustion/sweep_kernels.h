// The row kernels of the propagation sweep, one table per instruction set. Plain declarations
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

// The rows of one sweep (sweep_rows.h says what each computes). The first two come without and
// with a drop, indexed by drop != 0.
struct RowKernels {
  void (*ascending[2])(uint8_t* row, const uint8_t* behind, uint8_t* target, int last, Cooling k);
  void (*descending[2])(uint8_t* row, const uint8_t* behind, uint8_t* target, int last, Cooling k);
  void (*left)(uint8_t* row, const uint8_t* above, const uint8_t* below, int last, Cooling k);
  void (*right)(uint8_t* row, const uint8_t* above, const uint8_t* below, int last, Cooling k);
};

// Cell by cell; 16 cells at a time with SSE2; 32 with AVX2 (null where the build has none).
extern const RowKernels kPortableRows;
extern const RowKernels* const kSse2Rows;
extern const RowKernels* const kAvx2Rows;

}  // namespace zar::combustion::detail
