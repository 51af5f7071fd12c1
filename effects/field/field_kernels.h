// The inner loops of the field operations, and Combustion's propagation sweep (the directional
// pass). Each set of kernels (portable, SSE2, AVX2) computes exactly the same bytes; the vector
// sets work on many cells at a time where the scan order of the operation allows it, and fall
// back to the cell-by-cell form at the edges of a row. The engines use the set simd::ActiveIsa()
// names.
#pragma once

#include <cstddef>
#include <cstdint>

#include "effects/simd/isa.h"

namespace zar::field_kernels {

// The cooling of one directional pass in byte terms: a value above t loses t; otherwise a value
// above u loses `loss`. A threshold of 255 is never exceeded.
struct Cooling {
  uint8_t t, u, loss;
};

inline uint8_t Cool(uint8_t v, Cooling k) {
  if (v > k.t) return uint8_t(v - k.t);
  if (v > k.u) return uint8_t(v - k.loss);
  return v;
}

// The damping of the pass inside the sources: v becomes table[v]. When `multiplier` is nonzero,
// table[v] is (v * multiplier) >> 16 for every v, which the vector sets use instead.
struct Damping {
  const uint8_t* table;
  uint32_t multiplier;
};

// The coin cycle: the generator's draws taken mod 2 repeat with period 2^17 (they are bit 16 of
// its state, and the low 17 bits of the state run through one cycle of that length). coins[i]
// is 0xFF where the i-th state of the cycle starting at 0 has bit 16 set, else 0; the table
// runs kCoinMargin bytes past the cycle's end, repeating its start.
constexpr uint32_t kCoinCycle = uint32_t(1) << 17;
constexpr uint32_t kCoinMargin = 64;

// The coins of a pass drawing down columns of R cells, by rows. With R = 2^v R' (R' odd, v at
// most 17) and L = 2^(17-v), cell (x, y) takes coin number b + x R with b = start + y (all
// mod 2^17), and b + x R is r + 2^v ((q + x R') mod L) for b = r + 2^v q. So subtable r, holding
// at j the coin number r + 2^v ((j R') mod L), has the coins of that row at
// j = (q R'^-1 + x) mod L: consecutive, wrapping around every L columns.
struct CoinRows {
  const uint8_t* table;  // 2^v subtables of L bytes (0xFF or 0)
  uint32_t shift;        // v
  uint32_t length;       // L
  uint32_t inverse;      // R'^-1 mod L
};

// A disc cut to a window: the rows from `top` on, each holding the columns [K - s, K + s]
// within [j0, j1), where s = widths[|row - F|] (F counted from `top`).
struct DiscRows {
  int32_t rows, F, K, j0, j1;
  const uint8_t* widths;
};

// A blob of radius rho from its second row on: rows 0..rows-1 hold the columns [0, n), the row
// k with the values shape + (fall - 1) * 2 rho, fall = rho - |k + 1 - rho|.
struct BlobRows {
  int32_t rows, n, rho;
  const uint8_t* shape;
};

// The rows of a disc or blob are "padded" when kSpanPadding bytes from any of their columns (and
// from any of their values) lie inside the buffers: the vector sets then read and write whole
// vectors past a row's end, writing back what they read there.
constexpr int32_t kSpanPadding = 32;

// The directional pass made a few rows at a time, from the top down (see advancePass).
// Directions 0, 1 and 7 keep copies of the rows they still read in `copies`: three rows of at
// least N bytes.
struct PassRows {
  uint8_t* field;
  ptrdiff_t P;
  int32_t R, N;
  int d;
  Cooling k;
  uint8_t* copies[3];
  int32_t next;  // the next row to visit; 0 before the first
};

struct KernelSet {
  simd::Isa isa;
  const char* name;
  // The directional pass of direction d (0..7) over rows 1..R-2 and columns 1..N-2 of a field
  // of pitch P, in place.
  void (*directionalPass)(uint8_t* field, ptrdiff_t P, int32_t R, int32_t N, int d, Cooling k);
  // Visits rows of the pass until rows [0, upTo) are done: neither written nor read by it again.
  // An upTo of R or more completes the pass. The result is that of directionalPass.
  void (*advancePass)(PassRows& pass, int32_t upTo);
  // The contour tracing of `src` over rows 1..R-2 and columns 1..P-2, written to `dst`; `dst`
  // may be `src`. When it is not, `dst` receives the whole field.
  void (*traceContour)(const uint8_t* src, uint8_t* dst, ptrdiff_t P, int32_t R);
  // The droplets' drip: rows R-2 down to 2, each writing the mean of four of its cells (above,
  // left, right, itself) into the row below, over columns 1..P-2.
  void (*drip)(uint8_t* drops, ptrdiff_t P, int32_t R);
  // Over a disc's rows (from cells and sources, rows P bytes apart): cells = sources where the
  // sources are nonzero. The first `padded` rows are padded.
  void (*copyDisc)(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, const DiscRows& disc,
                   int32_t padded);
  // Over a blob's rows: cells = max(cells, values) where the sources are nonzero.
  void (*raiseBlob)(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, const BlobRows& blob,
                    int32_t padded);
  // Over n cells: cells = drops where the drops are above 20.
  void (*mergeDroplets)(uint8_t* cells, const uint8_t* drops, ptrdiff_t n);
  // Over n cells: cells = damping(cells) where the sources are nonzero.
  void (*dampSources)(uint8_t* cells, const uint8_t* sources, ptrdiff_t n, const Damping& damping);
  // The coin pass over columns 0..N-1 of rows y0..y1-1: where the sources are nonzero, cells =
  // coin ? sources : 0, with the coin of cell (x, y) number start + x * R + y of the cycle,
  // found through `rows` (made for the pass's R).
  void (*coinSources)(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, int32_t N, int32_t y0,
                      int32_t y1, const CoinRows& rows, uint32_t start);
  // Over n pixels of 3 bytes: cells = max of the three bytes, XOR flip.
  void (*brightness3)(uint8_t* cells, const uint8_t* pixels, ptrdiff_t n, uint8_t flip);
  // Over n pixels: cells = 255 where the mask is nonzero.
  void (*selection)(uint8_t* cells, const uint8_t* mask, ptrdiff_t n);
};

// The set of an instruction set (the portable one where the build has no such set), and the set
// the engines use.
const KernelSet& KernelsFor(simd::Isa isa);
inline const KernelSet& ActiveKernels() { return KernelsFor(simd::ActiveIsa()); }

}  // namespace zar::field_kernels
