// The field kernels written once over a vector type of effects/simd/vector.h: included by each
// translation unit that builds a kernel set (field_kernels.cpp for the portable and SSE2 sets,
// field_kernels_avx2.cpp for the AVX2 set, compiled for AVX2). Everything
// here has internal linkage, so no function compiled for one instruction set is ever shared with
// a translation unit compiled for another.
//
// Why a row can be computed many cells at a time in the directional pass: a visit first gives
// its target neighbour the mean of four cells, then cools itself. The rows are visited in an
// order that never reads a cell a visit of the same pass has written, except in two ways:
// - the neighbour visited just before in the same row has been cooled (it is the left neighbour
//   in directions 0, 1, 3 and 4, the right one in 5 and 7; the edge columns 0 and N-1 are never
//   visited and so never cooled);
// - in directions 2 and 6 (left and right) the target lies in the visited row itself, and the
//   row above has already received all its targets (it is finished).
// Every other cell read holds its value from before the pass. So each target is a function of
// values that are known before the row starts, and a visited cell keeps its cooled value only
// where no visit targets it (one row at the end of the scan, or one edge column).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "effects/field/field_kernels.h"

namespace zar::field_kernels {
namespace {

// ---- the cell-by-cell forms -----------------------------------------------------------------

// How a direction reads: the target (tx, ty); which of the rows above and below is read (0
// above, 1 below, 2 both, the one above finished); how the left and right neighbours are read
// (0 not, 1 as they were, 2 cooled where visited); and the scan order of the rows.
struct DirectionReads {
  int tx, ty;
  int rows;
  int left, right;
  bool bottomUp;
};

constexpr DirectionReads kReads[8] = {
    {0, 1, 0, 2, 1, true},     // 0: below
    {-1, 1, 0, 2, 1, true},    // 1: below-left
    {-1, 0, 2, 0, 1, false},   // 2: left
    {-1, -1, 1, 2, 1, false},  // 3: above-left
    {0, -1, 1, 2, 1, false},   // 4: above
    {1, -1, 1, 1, 2, false},   // 5: above-right
    {1, 0, 2, 1, 0, false},    // 6: right
    {1, 1, 0, 1, 2, true},     // 7: below-right
};

// The value a visited row's cell c has for the visits after its own: cooled where it is
// visited (columns 1..N-2), as it was at the edges.
inline int CooledAt(const uint8_t* row, int32_t c, int32_t N, Cooling k) {
  return c >= 1 && c <= N - 2 ? Cool(row[c], k) : row[c];
}

// One visit of cell c of a row, from the values it reads (see above). `target` is the target
// row, already offset by tx. In directions 2 and 6 it is the row itself, so the visits must run
// in the scan order (left to right for 2, right to left for 6).
template <int d>
inline void Visit(const uint8_t* row, const uint8_t* above, const uint8_t* below, uint8_t* target,
                  int32_t c, int32_t N, Cooling k) {
  constexpr DirectionReads D = kReads[d];
  int sum = row[c];
  if constexpr (D.rows != 1) sum += above[c];
  if constexpr (D.rows != 0) sum += below[c];
  if constexpr (D.left == 1) sum += row[c - 1];
  if constexpr (D.left == 2) sum += CooledAt(row, c - 1, N, k);
  if constexpr (D.right == 1) sum += row[c + 1];
  if constexpr (D.right == 2) sum += CooledAt(row, c + 1, N, k);
  target[c] = uint8_t(sum >> 2);
}

// After a row's visits: its cells that no visit targets keep their cooled value, written to
// `out` from the row's values before the pass (`row`).
template <int d>
inline void CoolUntargeted(const uint8_t* row, uint8_t* out, int32_t r, int32_t R, int32_t N,
                           Cooling k) {
  constexpr DirectionReads D = kReads[d];
  // Only the row visited last (rows 1..R-2) is targeted by no visit: the top one upward, the
  // bottom one downward, none in directions 2 and 6.
  if (D.ty == -1 ? r == R - 2 : D.ty == 1 && r == 1) {
    for (int32_t c = 1; c <= N - 2; ++c) out[c] = Cool(row[c], k);
  } else if constexpr (D.tx == -1) {
    out[N - 2] = Cool(row[N - 2], k);
  } else if constexpr (D.tx == 1) {
    out[1] = Cool(row[1], k);
  }
}

// The visits of row r from the values they read: `row`, `above` and `below`, each as it was
// before the pass (the row above finished in directions 2 and 6). The targets go to `target`
// (the target row, offset by tx), the untargeted cells to `out`. In directions 2 and 6 the
// target row is the row itself, so the visits run in the scan order.
template <int d>
inline void ScalarRowAt(const uint8_t* row, const uint8_t* above, const uint8_t* below,
                        uint8_t* target, uint8_t* out, int32_t r, int32_t R, int32_t N, Cooling k) {
  if constexpr (d == 6) {
    for (int32_t c = N - 2; c >= 1; --c) Visit<d>(row, above, below, target, c, N, k);
  } else {
    for (int32_t c = 1; c <= N - 2; ++c) Visit<d>(row, above, below, target, c, N, k);
  }
  CoolUntargeted<d>(row, out, r, R, N, k);
}

// The whole pass in place, in the scan order of the direction; rowAt visits one row.
template <int d, typename RowAt>
inline void InPlacePass(uint8_t* field, ptrdiff_t P, int32_t R, int32_t N, RowAt rowAt) {
  if (R < 3 || N < 3) return;
  constexpr DirectionReads D = kReads[d];
  // The row pointers stepped rather than worked out from r: fewer instructions a row.
  const ptrdiff_t step = D.bottomUp ? -P : P, toTarget = D.ty * P + D.tx;
  int32_t r = D.bottomUp ? R - 2 : 1;
  uint8_t* row = field + r * P;
  for (int32_t count = R - 2; count > 0; --count, row += step, r += D.bottomUp ? -1 : 1)
    rowAt(row, row - P, row + P, row + toTarget, row, r);
}

// The pass from the top down, up to where rows [0, upTo) are done (neither written nor read
// again). Visiting row r releases the rows above r in directions that scan downward; the
// upward ones (0, 1, 7) read only rows r-1 and r and write rows r and r+1, so they are visited
// top down too, from copies of the rows as they were, and visiting row r releases row r.
template <int d, typename RowAt>
inline void AdvanceRows(PassRows& s, int32_t upTo, RowAt rowAt) {
  const int32_t R = s.R, N = s.N;
  const ptrdiff_t P = s.P;
  if (R < 3 || N < 3) return;
  constexpr DirectionReads D = kReads[d];
  if (s.next == 0) {
    // Before anything is done: the upward directions' copies of the first rows.
    if constexpr (D.bottomUp) {
      std::memcpy(s.copies[0], s.field, size_t(N));
      std::memcpy(s.copies[1], s.field + P, size_t(N));
    }
    s.next = 1;
  }
  if constexpr (!D.bottomUp) {
    const int32_t last = upTo >= R - 1 ? R - 2 : upTo;
    for (; s.next <= last; ++s.next) {
      uint8_t* row = s.field + s.next * P;
      rowAt(row, row - P, row + P, row + D.ty * P + D.tx, row, s.next);
    }
  } else {
    const int32_t last = upTo >= R - 1 ? R - 2 : upTo - 1;
    for (; s.next <= last; ++s.next) {
      const int32_t r = s.next;
      uint8_t* below = s.field + (r + 1) * P;
      std::memcpy(s.copies[(r + 1) % 3], below, size_t(N));
      rowAt(s.copies[r % 3], s.copies[(r - 1) % 3], nullptr, below + D.tx, s.field + r * P, r);
    }
  }
}

template <int d>
void ScalarPass(uint8_t* field, ptrdiff_t P, int32_t R, int32_t N, Cooling k) {
  InPlacePass<d>(
      field, P, R, N,
      [&](const uint8_t* row, const uint8_t* above, const uint8_t* below, uint8_t* target,
          uint8_t* out, int32_t r) { ScalarRowAt<d>(row, above, below, target, out, r, R, N, k); });
}

template <int d>
void ScalarAdvance(PassRows& s, int32_t upTo) {
  AdvanceRows<d>(s, upTo,
                 [&](const uint8_t* row, const uint8_t* above, const uint8_t* below,
                     uint8_t* target, uint8_t* out, int32_t r) {
                   ScalarRowAt<d>(row, above, below, target, out, r, s.R, s.N, s.k);
                 });
}

// Contour tracing of one row r: the marks (own, right, lower, lower-right above 1; left and
// upper nonzero) from `src`, which a mark never makes zero, so they are all taken from the
// values before the row. In place, the marks are written as 1s; otherwise the row is written to
// `dst` with its marks and its 1s cleared.
inline bool ContourMark(const uint8_t* row, const uint8_t* up, const uint8_t* down, ptrdiff_t c) {
  return row[c] > 1 && row[c + 1] > 1 && down[c] > 1 && down[c + 1] > 1 && row[c - 1] != 0 &&
         up[c] != 0;
}

inline void ClearOnes(uint8_t* row, ptrdiff_t from, ptrdiff_t to) {
  for (ptrdiff_t c = from; c < to; ++c) row[c] = row[c] == 1 ? 0 : row[c];
}

// The columns 1..P-2 of row r from `from` to `to`.
inline void ScalarMarkRow(uint8_t* row, ptrdiff_t P, ptrdiff_t from, ptrdiff_t to) {
  for (ptrdiff_t c = from; c < to; ++c)
    if (ContourMark(row, row - P, row + P, c)) row[c] = 1;
}

inline void ScalarTraceRowInto(const uint8_t* src, uint8_t* dst, ptrdiff_t P, ptrdiff_t from,
                               ptrdiff_t to) {
  for (ptrdiff_t c = from; c < to; ++c)
    dst[c] = ContourMark(src, src - P, src + P, c) || src[c] == 1 ? 0 : src[c];
}

// The parts of the field out-of-place tracing does not compute: rows 0 and R-1, columns 0 and
// P-1 (the whole field when there is no interior).
inline void CopyContourBorder(const uint8_t* src, uint8_t* dst, ptrdiff_t P, int32_t R) {
  if (R < 3 || P < 3) {
    std::memcpy(dst, src, size_t(P) * size_t(R));
    return;
  }
  std::memcpy(dst, src, size_t(P));
  std::memcpy(dst + (R - 1) * P, src + (R - 1) * P, size_t(P));
  for (int32_t r = 1; r <= R - 2; ++r) {
    dst[r * P] = src[r * P];
    dst[r * P + P - 1] = src[r * P + P - 1];
  }
}

// Tracing in place, a row at a time: row r is marked, then the 1s of row r-1 (which row r read
// last) are cleared.
template <typename MarkRow>
void TraceInPlace(uint8_t* field, ptrdiff_t P, int32_t R, MarkRow markRow) {
  if (R < 3 || P < 3) return;
  for (int32_t r = 1; r <= R - 2; ++r) {
    markRow(field + r * P);
    if (r >= 2) ClearOnes(field + (r - 1) * P, 1, P - 1);
  }
  ClearOnes(field + (R - 2) * P, 1, P - 1);
}

inline void ScalarTrace(const uint8_t* src, uint8_t* dst, ptrdiff_t P, int32_t R) {
  if (src == dst)
    return TraceInPlace(dst, P, R, [&](uint8_t* row) { ScalarMarkRow(row, P, 1, P - 1); });
  CopyContourBorder(src, dst, P, R);
  if (R < 3 || P < 3) return;
  for (int32_t r = 1; r <= R - 2; ++r) ScalarTraceRowInto(src + r * P, dst + r * P, P, 1, P - 1);
}

inline void ScalarDripRow(uint8_t* drops, ptrdiff_t P, int32_t r, ptrdiff_t from, ptrdiff_t to) {
  const uint8_t* above = drops + (r - 1) * P;
  const uint8_t* row = drops + r * P;
  uint8_t* below = drops + (r + 1) * P;
  for (ptrdiff_t c = from; c < to; ++c)
    below[c] = uint8_t((above[c] + row[c - 1] + row[c + 1] + row[c]) >> 2);
}

inline void ScalarDrip(uint8_t* drops, ptrdiff_t P, int32_t R) {
  for (int32_t r = R - 2; r >= 2; --r) ScalarDripRow(drops, P, r, 1, P - 1);
}

inline void ScalarCopySources(uint8_t* cells, const uint8_t* sources, ptrdiff_t n) {
  for (ptrdiff_t i = 0; i < n; ++i) cells[i] = sources[i] != 0 ? sources[i] : cells[i];
}

inline void ScalarRaiseOnSources(uint8_t* cells, const uint8_t* sources, const uint8_t* values,
                                 ptrdiff_t n) {
  for (ptrdiff_t i = 0; i < n; ++i)
    if (sources[i] != 0 && cells[i] < values[i]) cells[i] = values[i];
}

// The columns [from, to) of row k of a disc.
inline void DiscSpan(const DiscRows& d, int32_t k, int32_t& from, int32_t& to) {
  const int32_t s = d.widths[k < d.F ? d.F - k : k - d.F];
  from = d.K - s > d.j0 ? d.K - s : d.j0;
  to = d.K + s + 1 < d.j1 ? d.K + s + 1 : d.j1;
}

inline const uint8_t* BlobValues(const BlobRows& b, int32_t k) {
  const int32_t off = k + 1 - b.rho;
  return b.shape + (b.rho - (off < 0 ? -off : off) - 1) * 2 * b.rho;
}

inline void ScalarCopyDisc(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, const DiscRows& d,
                           int32_t) {
  for (int32_t k = 0; k < d.rows; ++k) {
    int32_t from, to;
    DiscSpan(d, k, from, to);
    ScalarCopySources(cells + k * P + from, sources + k * P + from, to - from);
  }
}

inline void ScalarRaiseBlob(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, const BlobRows& b,
                            int32_t) {
  for (int32_t k = 0; k < b.rows; ++k)
    ScalarRaiseOnSources(cells + k * P, sources + k * P, BlobValues(b, k), b.n);
}

inline void ScalarMergeDroplets(uint8_t* cells, const uint8_t* drops, ptrdiff_t n) {
  for (ptrdiff_t i = 0; i < n; ++i) cells[i] = drops[i] > 20 ? drops[i] : cells[i];
}

inline void ScalarDampSources(uint8_t* cells, const uint8_t* sources, ptrdiff_t n,
                              const Damping& damping) {
  for (ptrdiff_t i = 0; i < n; ++i) cells[i] = sources[i] != 0 ? damping.table[cells[i]] : cells[i];
}

inline void ScalarApplyCoins(uint8_t* cells, const uint8_t* sources, const uint8_t* coins,
                             ptrdiff_t n) {
  for (ptrdiff_t i = 0; i < n; ++i)
    if (sources[i] != 0) cells[i] = coins[i] & sources[i];
}

// The coin pass a row at a time, each row's coins in at most a few consecutive pieces.
template <typename Apply>
inline void CoinRowsPass(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, int32_t N, int32_t y0,
                         int32_t y1, const CoinRows& rows, uint32_t start, Apply apply) {
  const uint32_t mask = kCoinCycle - 1, low = (uint32_t(1) << rows.shift) - 1;
  for (int32_t y = y0; y < y1; ++y) {
    const uint32_t b = (start + uint32_t(y)) & mask;
    const uint8_t* coins = rows.table + (b & low) * rows.length;
    uint32_t j = ((b >> rows.shift) * rows.inverse) & (rows.length - 1);
    for (int32_t x = 0; x < N;) {
      const int32_t n =
          int32_t(uint32_t(N - x) < rows.length - j ? uint32_t(N - x) : rows.length - j);
      apply(cells + y * P + x, sources + y * P + x, coins + j, n);
      x += n;
      j = 0;
    }
  }
}

inline void ScalarCoinSources(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, int32_t N,
                              int32_t y0, int32_t y1, const CoinRows& rows, uint32_t start) {
  CoinRowsPass(cells, sources, P, N, y0, y1, rows, start, ScalarApplyCoins);
}

inline void ScalarBrightness3(uint8_t* cells, const uint8_t* pixels, ptrdiff_t n, uint8_t flip) {
  for (ptrdiff_t x = 0; x < n; ++x) {
    const uint8_t* px = pixels + 3 * x;
    uint8_t m = px[0] > px[1] ? px[0] : px[1];
    m = m > px[2] ? m : px[2];
    cells[x] = m ^ flip;
  }
}

inline void ScalarSelection(uint8_t* cells, const uint8_t* mask, ptrdiff_t n) {
  for (ptrdiff_t x = 0; x < n; ++x) cells[x] = mask[x] != 0 ? 255 : cells[x];
}

inline void ScalarDirectionalPass(uint8_t* field, ptrdiff_t P, int32_t R, int32_t N, int d,
                                  Cooling k) {
  switch (d) {
    case 0: return ScalarPass<0>(field, P, R, N, k);
    case 1: return ScalarPass<1>(field, P, R, N, k);
    case 2: return ScalarPass<2>(field, P, R, N, k);
    case 3: return ScalarPass<3>(field, P, R, N, k);
    case 4: return ScalarPass<4>(field, P, R, N, k);
    case 5: return ScalarPass<5>(field, P, R, N, k);
    case 6: return ScalarPass<6>(field, P, R, N, k);
    case 7: return ScalarPass<7>(field, P, R, N, k);
    default: return;
  }
}

inline void ScalarAdvancePass(PassRows& s, int32_t upTo) {
  switch (s.d) {
    case 0: return ScalarAdvance<0>(s, upTo);
    case 1: return ScalarAdvance<1>(s, upTo);
    case 2: return ScalarAdvance<2>(s, upTo);
    case 3: return ScalarAdvance<3>(s, upTo);
    case 4: return ScalarAdvance<4>(s, upTo);
    case 5: return ScalarAdvance<5>(s, upTo);
    case 6: return ScalarAdvance<6>(s, upTo);
    case 7: return ScalarAdvance<7>(s, upTo);
    default: return;
  }
}

// ---- the vector forms -----------------------------------------------------------------------
// V is one of the vector types of effects/simd/vector.h.
#ifdef ZAR_FIELD_VECTOR_KERNELS

// Whether V has a narrower vector type to finish rows too short for its own width.
template <class V>
constexpr bool kHasNarrow = !std::is_void_v<typename V::Narrow>;

// floor((a + b + c + d) / 4) on bytes. The rounding-up average gives u = (a + b + 1) >> 1, so
// a + b = 2u - e1 with e1 = (a ^ b) & 1; likewise v for c and d with e2, and w = avg(u, v) with
// u + v = 2w - e3, e3 = (u ^ v) & 1. So a + b + c + d = 4w - (2 e3 + e1 + e2), and the quotient
// is w, less one exactly when any of e1, e2, e3 is set.
template <class V>
inline typename V::Vec Avg4(typename V::Vec a, typename V::Vec b, typename V::Vec c,
                            typename V::Vec d) {
  const typename V::Vec u = V::Avg(a, b), v = V::Avg(c, d);
  const typename V::Vec odd = V::Or(V::Or(V::Xor(a, b), V::Xor(c, d)), V::Xor(u, v));
  return V::Sub(V::Avg(u, v), V::And(odd, V::Splat(1)));
}

// The cooling in every lane. Without a loss (none, or a u at or above t) only the first case is
// left: v - t above t, else v.
template <class V, bool kLoss>
struct VectorCooling {
  typename V::Vec t, u, loss, zero;
  explicit VectorCooling(Cooling k)
      : t(V::Splat(k.t)), u(V::Splat(k.u)), loss(V::Splat(k.loss)), zero(V::Splat(0)) {}

  // v - t above t, else v - loss above u, else v: the saturated difference v - t is nonzero
  // exactly above t.
  typename V::Vec operator()(typename V::Vec v) const {
    const typename V::Vec aboveT = V::SubSat(v, t);
    const typename V::Vec notAboveT = V::Eq(aboveT, zero);
    if constexpr (!kLoss) return V::Or(aboveT, V::And(notAboveT, v));
    const typename V::Vec lost = V::AndNot(V::Eq(V::SubSat(v, u), zero), loss);
    return V::Or(aboveT, V::And(notAboveT, V::Sub(v, lost)));
  }
};

// Whether a cooling's loss ever applies.
inline bool CoolingLoses(Cooling k) { return k.loss != 0 && k.u < k.t; }

// The targets of the visits of cells c0..c0+kWidth-1 of a row, all from values known before the
// row (cooled neighbours are cooled here from their values before the pass).
template <class V, int d, class Cool>
inline typename V::Vec VisitTargets(const uint8_t* row, const uint8_t* above, const uint8_t* below,
                                    ptrdiff_t c0, const Cool& cool) {
  constexpr DirectionReads D = kReads[d];
  using Vec = typename V::Vec;
  const Vec self = V::Load(row + c0);
  Vec vertical;
  if constexpr (D.rows == 1)
    vertical = V::Load(below + c0);
  else
    vertical = V::Load(above + c0);
  Vec second, third;
  if constexpr (D.rows == 2) {
    second = V::Load(below + c0);
    third = V::Load(row + c0 + (D.left ? -1 : 1));
  } else {
    const Vec left = V::Load(row + c0 - 1), right = V::Load(row + c0 + 1);
    second = D.left == 2 ? cool(left) : left;
    third = D.right == 2 ? cool(right) : right;
  }
  return Avg4<V>(vertical, second, third, self);
}

template <class V, int d, class Cool>
inline void VisitVector(const uint8_t* row, const uint8_t* above, const uint8_t* below,
                        uint8_t* target, ptrdiff_t c0, const Cool& cool) {
  V::Store(target + c0, VisitTargets<V, d>(row, above, below, c0, cool));
}

// Directions 2 and 6 a block at a time along the row: `count` whole blocks from `first` (step +W
// or -W), then one more at `final` where the whole blocks stop short of it, overlapping the
// block before it. Each block's targets land on cells the block before it read, so they are
// stored only once the next block has loaded its cells: every block, the overlapping one too,
// reads the row as it was, and the overlapping lanes get the same targets twice.
template <class V, int d, class Cool>
[[gnu::always_inline]] inline void AcrossBlocks(const uint8_t* row, const uint8_t* above,
                                                const uint8_t* below, uint8_t* target,
                                                int32_t first, int32_t count, int32_t final,
                                                const Cool& cool) {
  constexpr int32_t W = V::kWidth, step = d == 2 ? W : -W;
  typename V::Vec previous = VisitTargets<V, d>(row, above, below, first, cool);
  int32_t at = first;
#pragma GCC unroll 2
  for (int32_t i = 1; i < count; ++i) {
    const typename V::Vec next = VisitTargets<V, d>(row, above, below, at + step, cool);
    V::Store(target + at, previous);
    previous = next;
    at += step;
  }
  if (at != final) {
    const typename V::Vec next = VisitTargets<V, d>(row, above, below, final, cool);
    V::Store(target + at, previous);
    previous = next;
    at = final;
  }
  V::Store(target + at, previous);
}

template <class V, int d, bool kLoss>
[[gnu::always_inline]] inline void VectorRowAt(const uint8_t* row, const uint8_t* above,
                                               const uint8_t* below, uint8_t* target, uint8_t* out,
                                               int32_t r, int32_t R, int32_t N, Cooling k,
                                               const VectorCooling<V, kLoss>& lanes) {
  constexpr DirectionReads D = kReads[d];
  // A copy the stores below cannot reach, so that it stays in registers.
  const VectorCooling<V, kLoss> cool = lanes;
  constexpr int32_t W = V::kWidth;
  // Columns whose neighbours the vector form cools must be visited ones.
  const int32_t lo = D.left == 2 ? 2 : 1;
  const int32_t hi = D.right == 2 ? N - 3 : N - 2;
  if constexpr (d == 2 || d == 6) {
    // Targets in the row itself, to the left (2) or right (6): in whole blocks along the scan
    // order, each block reading only cells no block has written yet, the last one overlapping.
    // Rows shorter than a block (only where V has no narrower type) cell by cell.
    const int32_t blocks = (hi - lo + 1) / W;
    if (blocks > 0) {
      if constexpr (d == 2)
        AcrossBlocks<V, d>(row, above, below, target, lo, blocks, hi - W + 1, cool);
      else
        AcrossBlocks<V, d>(row, above, below, target, hi - W + 1, blocks, lo, cool);
    } else if constexpr (d == 2) {
      for (int32_t c = 1; c <= N - 2; ++c) Visit<d>(row, above, below, target, c, N, k);
    } else {
      for (int32_t c = N - 2; c >= 1; --c) Visit<d>(row, above, below, target, c, N, k);
    }
  } else {
    // Targets in another row, which this row's visits do not read: any order, and a last block
    // may overlap the one before it. The blocks cool the edge column beside the first cell
    // visited too; that cell's target is then made again the way it is read, as it was.
    const int32_t last = N - 2;
    // A type with a narrower one is only used on rows of more than W + 3 cells.
    if (kHasNarrow<V> || last >= W) {
      int32_t c = 1;
#pragma GCC unroll 2
      for (; c + W - 1 <= last; c += W) VisitVector<V, d>(row, above, below, target, c, cool);
      if (c <= last) VisitVector<V, d>(row, above, below, target, last - W + 1, cool);
      if constexpr (D.left == 2) Visit<d>(row, above, below, target, 1, N, k);
      if constexpr (D.right == 2) Visit<d>(row, above, below, target, last, N, k);
    } else {
      for (int32_t c = 1; c <= last; ++c) Visit<d>(row, above, below, target, c, N, k);
    }
  }
  CoolUntargeted<d>(row, out, r, R, N, k);
}

// Rows too short for V's width go to its narrower type.
template <class V, int d, bool kLoss>
void VectorPassCooling(uint8_t* field, ptrdiff_t P, int32_t R, int32_t N, Cooling k) {
  const VectorCooling<V, kLoss> cool(k);
  InPlacePass<d>(field, P, R, N,
                 [=](const uint8_t* row, const uint8_t* above, const uint8_t* below,
                     uint8_t* target, uint8_t* out, int32_t r) {
                   VectorRowAt<V, d>(row, above, below, target, out, r, R, N, k, cool);
                 });
}

template <class V, int d>
void VectorPass(uint8_t* field, ptrdiff_t P, int32_t R, int32_t N, Cooling k) {
  if constexpr (kHasNarrow<V>) {
    if (N - 4 < V::kWidth) return VectorPass<typename V::Narrow, d>(field, P, R, N, k);
  }
  if (CoolingLoses(k)) return VectorPassCooling<V, d, true>(field, P, R, N, k);
  return VectorPassCooling<V, d, false>(field, P, R, N, k);
}

template <class V, int d, bool kLoss>
void VectorAdvanceCooling(PassRows& s, int32_t upTo) {
  const VectorCooling<V, kLoss> cool(s.k);
  const int32_t R = s.R, N = s.N;
  const Cooling k = s.k;
  AdvanceRows<d>(s, upTo,
                 [=](const uint8_t* row, const uint8_t* above, const uint8_t* below,
                     uint8_t* target, uint8_t* out, int32_t r) {
                   VectorRowAt<V, d>(row, above, below, target, out, r, R, N, k, cool);
                 });
}

template <class V, int d>
void VectorAdvance(PassRows& s, int32_t upTo) {
  if constexpr (kHasNarrow<V>) {
    if (s.N - 4 < V::kWidth) return VectorAdvance<typename V::Narrow, d>(s, upTo);
  }
  if (CoolingLoses(s.k)) return VectorAdvanceCooling<V, d, true>(s, upTo);
  return VectorAdvanceCooling<V, d, false>(s, upTo);
}

template <class V>
void VectorDirectionalPass(uint8_t* field, ptrdiff_t P, int32_t R, int32_t N, int d, Cooling k) {
  switch (d) {
    case 0: return VectorPass<V, 0>(field, P, R, N, k);
    case 1: return VectorPass<V, 1>(field, P, R, N, k);
    case 2: return VectorPass<V, 2>(field, P, R, N, k);
    case 3: return VectorPass<V, 3>(field, P, R, N, k);
    case 4: return VectorPass<V, 4>(field, P, R, N, k);
    case 5: return VectorPass<V, 5>(field, P, R, N, k);
    case 6: return VectorPass<V, 6>(field, P, R, N, k);
    case 7: return VectorPass<V, 7>(field, P, R, N, k);
    default: return;
  }
}

template <class V>
void VectorAdvancePass(PassRows& s, int32_t upTo) {
  switch (s.d) {
    case 0: return VectorAdvance<V, 0>(s, upTo);
    case 1: return VectorAdvance<V, 1>(s, upTo);
    case 2: return VectorAdvance<V, 2>(s, upTo);
    case 3: return VectorAdvance<V, 3>(s, upTo);
    case 4: return VectorAdvance<V, 4>(s, upTo);
    case 5: return VectorAdvance<V, 5>(s, upTo);
    case 6: return VectorAdvance<V, 6>(s, upTo);
    case 7: return VectorAdvance<V, 7>(s, upTo);
    default: return;
  }
}

// The contour marks of cells c0..c0+kWidth-1 of a row, as a mask.
template <class V>
inline typename V::Vec ContourMarks(const uint8_t* row, const uint8_t* up, const uint8_t* down,
                                    ptrdiff_t c0) {
  using Vec = typename V::Vec;
  const Vec zero = V::Splat(0);
  const Vec low = V::Min(V::Min(V::Load(row + c0), V::Load(row + c0 + 1)),
                         V::Min(V::Load(down + c0), V::Load(down + c0 + 1)));
  const Vec notAboveOne = V::Eq(V::SubSat(low, V::Splat(1)), zero);
  const Vec someZero = V::Eq(V::Min(V::Load(row + c0 - 1), V::Load(up + c0)), zero);
  return V::Eq(V::Or(notAboveOne, someZero), zero);
}

// Marks a row in place, a block at a time; a mark turns a value above 1 into 1, so marks taken
// again over an overlapping block are the same.
template <class V>
inline void VectorMarkRow(uint8_t* row, ptrdiff_t P) {
  constexpr ptrdiff_t W = V::kWidth;
  if (P - 2 < W) {
    if constexpr (kHasNarrow<V>) return VectorMarkRow<typename V::Narrow>(row, P);
    return ScalarMarkRow(row, P, 1, P - 1);
  }
  auto block = [&](ptrdiff_t c0) {
    const typename V::Vec marks = ContourMarks<V>(row, row - P, row + P, c0);
    V::Store(row + c0, V::Or(V::AndNot(marks, V::Load(row + c0)), V::And(marks, V::Splat(1))));
  };
  ptrdiff_t c = 1;
  for (; c + W <= P - 1; c += W) block(c);
  if (c < P - 1) block(P - 1 - W);
}

template <class V>
inline void VectorClearOnes(uint8_t* row, ptrdiff_t P) {
  constexpr ptrdiff_t W = V::kWidth;
  if (P - 2 < W) {
    if constexpr (kHasNarrow<V>) return VectorClearOnes<typename V::Narrow>(row, P);
    return ClearOnes(row, 1, P - 1);
  }
  auto block = [&](ptrdiff_t c0) {
    const typename V::Vec v = V::Load(row + c0);
    V::Store(row + c0, V::AndNot(V::Eq(v, V::Splat(1)), v));
  };
  ptrdiff_t c = 1;
  for (; c + W <= P - 1; c += W) block(c);
  if (c < P - 1) block(P - 1 - W);
}

template <class V>
void VectorTrace(const uint8_t* src, uint8_t* dst, ptrdiff_t P, int32_t R) {
  constexpr ptrdiff_t W = V::kWidth;
  if constexpr (kHasNarrow<V>) {
    if (P - 2 < W) return VectorTrace<typename V::Narrow>(src, dst, P, R);
  }
  if (src == dst) {
    if (R < 3 || P < 3) return;
    for (int32_t r = 1; r <= R - 2; ++r) {
      VectorMarkRow<V>(dst + r * P, P);
      if (r >= 2) VectorClearOnes<V>(dst + (r - 1) * P, P);
    }
    VectorClearOnes<V>(dst + (R - 2) * P, P);
    return;
  }
  CopyContourBorder(src, dst, P, R);
  if (R < 3 || P < 3) return;
  for (int32_t r = 1; r <= R - 2; ++r) {
    const uint8_t* row = src + r * P;
    uint8_t* out = dst + r * P;
    if (P - 2 < W) {
      ScalarTraceRowInto(row, out, P, 1, P - 1);
      continue;
    }
    auto block = [&](ptrdiff_t c0) {
      const typename V::Vec v = V::Load(row + c0);
      const typename V::Vec cleared =
          V::Or(ContourMarks<V>(row, row - P, row + P, c0), V::Eq(v, V::Splat(1)));
      V::Store(out + c0, V::AndNot(cleared, v));
    };
    ptrdiff_t c = 1;
    for (; c + W <= P - 1; c += W) block(c);
    if (c < P - 1) block(P - 1 - W);
  }
}

template <class V>
void VectorDrip(uint8_t* drops, ptrdiff_t P, int32_t R) {
  constexpr ptrdiff_t W = V::kWidth;
  if constexpr (kHasNarrow<V>) {
    if (P - 2 < W) return VectorDrip<typename V::Narrow>(drops, P, R);
  }
  for (int32_t r = R - 2; r >= 2; --r) {
    if (P - 2 < W) {
      ScalarDripRow(drops, P, r, 1, P - 1);
      continue;
    }
    const uint8_t* above = drops + (r - 1) * P;
    const uint8_t* row = drops + r * P;
    uint8_t* below = drops + (r + 1) * P;
    auto block = [&](ptrdiff_t c0) {
      V::Store(below + c0, Avg4<V>(V::Load(above + c0), V::Load(row + c0 - 1),
                                   V::Load(row + c0 + 1), V::Load(row + c0)));
    };
    ptrdiff_t c = 1;
    for (; c + W <= P - 1; c += W) block(c);
    if (c < P - 1) block(P - 1 - W);
  }
}

// Runs `block` over n cells a vector at a time; the last block overlaps the one before it, which
// only operations that give the same result when applied twice may do.
template <class V, typename Block, typename Scalar>
inline void Blocks(ptrdiff_t n, Block block, Scalar scalar) {
  constexpr ptrdiff_t W = V::kWidth;
  if (n < W) return scalar(0, n);
  ptrdiff_t i = 0;
  for (; i + W <= n; i += W) block(i);
  if (i < n) block(n - W);
}

template <class V>
void VectorCopySources(uint8_t* cells, const uint8_t* sources, ptrdiff_t n) {
  if constexpr (kHasNarrow<V>) {
    if (n < V::kWidth) return VectorCopySources<typename V::Narrow>(cells, sources, n);
  }
  Blocks<V>(
      n,
      [&](ptrdiff_t i) {
        const typename V::Vec s = V::Load(sources + i);
        const typename V::Vec keep = V::And(V::Eq(s, V::Splat(0)), V::Load(cells + i));
        V::Store(cells + i, V::Or(keep, s));
      },
      [&](ptrdiff_t from, ptrdiff_t to) {
        ScalarCopySources(cells + from, sources + from, to - from);
      });
}

template <class V>
void VectorRaiseOnSources(uint8_t* cells, const uint8_t* sources, const uint8_t* values,
                          ptrdiff_t n) {
  if constexpr (kHasNarrow<V>) {
    if (n < V::kWidth) return VectorRaiseOnSources<typename V::Narrow>(cells, sources, values, n);
  }
  Blocks<V>(
      n,
      [&](ptrdiff_t i) {
        const typename V::Vec c = V::Load(cells + i);
        const typename V::Vec none = V::Eq(V::Load(sources + i), V::Splat(0));
        const typename V::Vec raised = V::Max(c, V::Load(values + i));
        V::Store(cells + i, V::Or(V::And(none, c), V::AndNot(none, raised)));
      },
      [&](ptrdiff_t from, ptrdiff_t to) {
        ScalarRaiseOnSources(cells + from, sources + from, values + from, to - from);
      });
}

// The first m lanes set (m at most 32): loaded from kPrefixBytes + 32 - m.
alignas(64) constexpr uint8_t kPrefixBytes[64] = {
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};

template <class V>
inline typename V::Vec FirstLanes(ptrdiff_t m) {
  return V::Load(kPrefixBytes + 32 - (m < V::kWidth ? m : V::kWidth));
}

// Padded rows a whole vector at a time, the last one limited to the row's lanes. The rows are P
// bytes apart, so one row's vectors do not overlap the next row's loads.
template <class V>
inline void CopyPadded(uint8_t* cells, const uint8_t* sources, ptrdiff_t n) {
  for (ptrdiff_t i = 0; i < n; i += V::kWidth) {
    const typename V::Vec s = V::Load(sources + i);
    const typename V::Vec take = V::AndNot(V::Eq(s, V::Splat(0)), FirstLanes<V>(n - i));
    V::Store(cells + i, V::Or(V::AndNot(take, V::Load(cells + i)), V::And(take, s)));
  }
}

template <class V>
inline void RaisePadded(uint8_t* cells, const uint8_t* sources, const uint8_t* values,
                        ptrdiff_t n) {
  for (ptrdiff_t i = 0; i < n; i += V::kWidth) {
    const typename V::Vec old = V::Load(cells + i);
    const typename V::Vec take =
        V::AndNot(V::Eq(V::Load(sources + i), V::Splat(0)), FirstLanes<V>(n - i));
    const typename V::Vec raised = V::Max(old, V::Load(values + i));
    V::Store(cells + i, V::Or(V::AndNot(take, old), V::And(take, raised)));
  }
}

// Most of a disc's rows are at most one vector wide, and many hold no sources.
template <class V>
void VectorCopyDisc(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, const DiscRows& disc,
                    int32_t padded) {
  using Vec = typename V::Vec;
  const DiscRows d = disc;  // (the stores below could otherwise change it, for the compiler)
  const Vec zero = V::Splat(0);
  for (int32_t k = 0; k < d.rows; ++k, cells += P, sources += P) {
    int32_t from, to;
    DiscSpan(d, k, from, to);
    const ptrdiff_t n = to - from;
    if (n <= 0) continue;
    if (k >= padded) {
      VectorCopySources<V>(cells + from, sources + from, n);
    } else if (n <= V::kWidth) {
      const Vec s = V::Load(sources + from);
      const Vec take = V::AndNot(V::Eq(s, zero), FirstLanes<V>(n));
      if (V::AllZero(take)) continue;
      V::Store(cells + from, V::Or(V::AndNot(take, V::Load(cells + from)), V::And(take, s)));
    } else {
      CopyPadded<V>(cells + from, sources + from, n);
    }
  }
}

// A blob's value rows run from fall 1 up to rho and back down, so the row's values move by 2 rho
// bytes up the shape and then down again; every row has the same columns. Most blobs are at
// most one vector wide.
template <class V>
void VectorRaiseBlob(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, const BlobRows& blob,
                     int32_t padded) {
  using Vec = typename V::Vec;
  const BlobRows b = blob;
  const ptrdiff_t n = b.n, step = 2 * b.rho;
  const uint8_t* values = b.shape;
  auto next = [&](int32_t k) { values += k + 1 < b.rho ? step : -step; };
  int32_t k = 0;
  if (n <= V::kWidth) {
    const Vec lanes = FirstLanes<V>(n), zero = V::Splat(0);
    for (; k < padded; ++k, cells += P, sources += P) {
      const Vec take = V::AndNot(V::Eq(V::Load(sources), zero), lanes);
      if (!V::AllZero(take)) {  // (sources are often sparse)
        const Vec old = V::Load(cells);
        V::Store(cells, V::Or(V::AndNot(take, old), V::And(take, V::Max(old, V::Load(values)))));
      }
      next(k);
    }
  } else {
    for (; k < padded; ++k, cells += P, sources += P) {
      RaisePadded<V>(cells, sources, values, n);
      next(k);
    }
  }
  for (; k < b.rows; ++k, cells += P, sources += P) {
    VectorRaiseOnSources<V>(cells, sources, values, n);
    next(k);
  }
}

template <class V>
void VectorMergeDroplets(uint8_t* cells, const uint8_t* drops, ptrdiff_t n) {
  if constexpr (kHasNarrow<V>) {
    if (n < V::kWidth) return VectorMergeDroplets<typename V::Narrow>(cells, drops, n);
  }
  Blocks<V>(
      n,
      [&](ptrdiff_t i) {
        const typename V::Vec d = V::Load(drops + i);
        const typename V::Vec low = V::Eq(V::SubSat(d, V::Splat(20)), V::Splat(0));
        V::Store(cells + i, V::Or(V::And(low, V::Load(cells + i)), V::AndNot(low, d)));
      },
      [&](ptrdiff_t from, ptrdiff_t to) {
        ScalarMergeDroplets(cells + from, drops + from, to - from);
      });
}

// Damping changes a value again when applied twice: no overlapping blocks.
template <class V>
void VectorDampSources(uint8_t* cells, const uint8_t* sources, ptrdiff_t n,
                       const Damping& damping) {
  constexpr ptrdiff_t W = V::kWidth;
  ptrdiff_t i = 0;
  if (damping.multiplier != 0) {
    for (; i + W <= n; i += W) {
      // Where there are no sources there is nothing to do (sources are often sparse).
      const typename V::Vec s = V::Load(sources + i);
      if (V::AllZero(s)) continue;
      const typename V::Vec c = V::Load(cells + i);
      const typename V::Vec none = V::Eq(s, V::Splat(0));
      const typename V::Vec damped = V::MulHigh(c, damping.multiplier);
      V::Store(cells + i, V::Or(V::And(none, c), V::AndNot(none, damped)));
    }
  }
  if constexpr (kHasNarrow<V>)
    VectorDampSources<typename V::Narrow>(cells + i, sources + i, n - i, damping);
  else
    ScalarDampSources(cells + i, sources + i, n - i, damping);
}

// Applying the coins twice gives the same cells: the last block may overlap.
template <class V>
void VectorApplyCoins(uint8_t* cells, const uint8_t* sources, const uint8_t* coins, ptrdiff_t n) {
  if constexpr (kHasNarrow<V>) {
    if (n < V::kWidth) return VectorApplyCoins<typename V::Narrow>(cells, sources, coins, n);
  }
  Blocks<V>(
      n,
      [&](ptrdiff_t i) {
        const typename V::Vec s = V::Load(sources + i);
        if (V::AllZero(s)) return;
        const typename V::Vec keep = V::And(V::Eq(s, V::Splat(0)), V::Load(cells + i));
        V::Store(cells + i, V::Or(keep, V::And(s, V::Load(coins + i))));
      },
      [&](ptrdiff_t from, ptrdiff_t to) {
        ScalarApplyCoins(cells + from, sources + from, coins + from, to - from);
      });
}

template <class V>
void VectorCoinSources(uint8_t* cells, const uint8_t* sources, ptrdiff_t P, int32_t N, int32_t y0,
                       int32_t y1, const CoinRows& rows, uint32_t start) {
  CoinRowsPass(cells, sources, P, N, y0, y1, rows, start, VectorApplyCoins<V>);
}

template <class V>
void VectorSelection(uint8_t* cells, const uint8_t* mask, ptrdiff_t n) {
  if constexpr (kHasNarrow<V>) {
    if (n < V::kWidth) return VectorSelection<typename V::Narrow>(cells, mask, n);
  }
  Blocks<V>(
      n,
      [&](ptrdiff_t i) {
        const typename V::Vec unset = V::Eq(V::Load(mask + i), V::Splat(0));
        V::Store(cells + i, V::Or(V::Load(cells + i), V::AndNot(unset, V::Splat(255))));
      },
      [&](ptrdiff_t from, ptrdiff_t to) { ScalarSelection(cells + from, mask + from, to - from); });
}

// The table of a vector set; the pixels' brightness is the set's own.
template <class V>
constexpr KernelSet VectorKernels(simd::Isa isa, const char* name,
                                  void (*brightness3)(uint8_t*, const uint8_t*, ptrdiff_t, uint8_t)) {
  return {isa,
          name,
          VectorDirectionalPass<V>,
          VectorAdvancePass<V>,
          VectorTrace<V>,
          VectorDrip<V>,
          VectorCopyDisc<V>,
          VectorRaiseBlob<V>,
          VectorMergeDroplets<V>,
          VectorDampSources<V>,
          VectorCoinSources<V>,
          brightness3,
          VectorSelection<V>};
}

#endif  // ZAR_FIELD_VECTOR_KERNELS

}  // namespace
}  // namespace zar::field_kernels
