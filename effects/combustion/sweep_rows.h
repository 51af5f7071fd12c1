// The rows of the propagation sweep, written once over a set of vector operations `Ops` and
// instantiated per instruction set (sweep_rows_sse2.cpp, sweep_rows_avx2.cpp). Included only by
// those files; everything it defines has internal linkage and it pulls in nothing but <cstddef>
// and <cstdint>, so a file compiled for a wider instruction set shares no inline code with the
// rest of the program.
//
// How one sweep reads the field. Visiting every interior cell (rows 1 .. H + 3, columns
// 1 .. W + 2) in the direction's order, each cell writes the average of itself and three
// neighbours into the cell one movement away (a cell visited earlier) and is then cooled; a
// neighbour visited earlier is read as already cooled. Worked out row by row:
//
// - Rising and sinking directions (Top, Left Top, Right Top; Bottom, Left Btm, Right Btm): the
//   rows are visited away from the movement, so the row moved into is finished and the row behind
//   (the averaged vertical neighbour) not yet visited: it holds its values from before the sweep.
//   Within the row, the cell itself and its neighbour on the side not yet visited are original,
//   the neighbour on the side already visited is cooled (the frame columns 0 and W + 3 are never
//   visited, so at the row's first cell that neighbour is read as it is). Nothing the row writes
//   into the row it moves to is read again by this row. So a row's targets are worked out from
//   the row's original values, the visited neighbour cooled on the way (RowTargets), and then its
//   cells are cooled. The next row visited writes its targets over this row's cells, all but one
//   column for the slanting movements (W + 2 for leftwards, 1 for rightwards), so the cooled
//   values stay only there and in the last row visited; the rest need not be written at all.
// - Left: the row above is finished, the row below not yet visited. A cell's average lands one
//   cell to its left, on a cell already visited; the cell itself and its right neighbour are
//   original. So every cell of the row but the last ends as the average its right neighbour
//   wrote, and the last as its own cooled value (RowLeft). Right is the mirror image (RowRight).
//
#pragma once

#include <cstddef>
#include <cstdint>

#include "effects/combustion/sweep_kernels.h"

namespace {

inline uint8_t Cool(uint8_t c, zar::combustion::detail::Cooling k) {
  return uint8_t(c > k.a ? c - k.a : c > k.b ? c - k.drop : c);
}

inline uint8_t Average(int a, int b, int c, int d) { return uint8_t((a + b + c + d) >> 2); }

using zar::combustion::detail::Cooling;

// (a + b + c + d) >> 2 in every lane. The rounding-up byte average gives u = (a + b + 1) >> 1, so
// a + b = 2u - e1 with e1 = (a ^ b) & 1; likewise v for c and d with e2, and w = (u + v + 1) >> 1
// with u + v = 2w - e3, e3 = (u ^ v) & 1. So a + b + c + d = 4w - (2 e3 + e1 + e2), and the
// quotient is w, less one exactly when any of e1, e2, e3 is set.
template <typename Ops>
inline typename Ops::Vec Average(typename Ops::Vec a, typename Ops::Vec b, typename Ops::Vec c,
                                 typename Ops::Vec d) {
  const auto u = Ops::Avg(a, b), v = Ops::Avg(c, d);
  const auto odd = Ops::Or(Ops::Or(Ops::Xor(a, b), Ops::Xor(c, d)), Ops::Xor(u, v));
  return Ops::Sub(Ops::Avg(u, v), Ops::And(odd, Ops::Set1(1)));
}

// The cooling in every lane. Unsigned comparisons are signed ones of values biased by 0x80. With
// b <= a and drop <= b (MakeCooling) the loss is drop for c > b plus a - drop for c > a: 0, drop or
// a, as the rule's three cases, and never more than c. Without a drop only the first case is left.
template <typename Ops>
struct CoolingLanes {
  typename Ops::Vec a, b, drop, rest;  // a and b biased; rest = a - drop

  explicit CoolingLanes(Cooling k)
      : a(Ops::Set1(uint8_t(k.a ^ 0x80))),
        b(Ops::Set1(uint8_t(k.b ^ 0x80))),
        drop(Ops::Set1(k.drop)),
        rest(Ops::Set1(uint8_t(k.a - k.drop))) {}
};

template <typename Ops, bool kDrop>
inline typename Ops::Vec Cool(typename Ops::Vec c, const CoolingLanes<Ops>& k) {
  const auto biased = Ops::Xor(c, Ops::Set1(0x80));
  if constexpr (kDrop) {
    const auto loss = Ops::Add(Ops::And(Ops::Greater(biased, k.b), k.drop),
                               Ops::And(Ops::Greater(biased, k.a), k.rest));
    return Ops::Sub(c, loss);
  } else {
    return Ops::Sub(c, Ops::And(Ops::Greater(biased, k.a), k.rest));
  }
}

// Rows of at least one block are worked in blocks of Ops::kLanes cells from their start; the
// cells left over are worked as one more block that ends at the row's last cell and overlaps the
// block before it, computing its overlapping lanes again from the same values. Shorter rows are
// worked one cell at a time. Unrolling the block loops twice saves a few percent of instructions.

// The targets of a rising or sinking row: target[x] = average of row[x], behind[x], row[x + 1]
// and row[x - 1] cooled (columns ascending, kLeftVisited) or row[x - 1] and row[x + 1] cooled
// (columns descending), x = 1 .. last >= kLanes. The row is only read. `target` is the row moved
// into, offset by the movement's column.
template <typename Ops, bool kDrop, bool kLeftVisited>
[[gnu::always_inline]] inline void RowTargets(const uint8_t* row, const uint8_t* behind,
                                              uint8_t* target, int last,
                                              const CoolingLanes<Ops>& lanes) {
  constexpr int n = Ops::kLanes;
  auto block = [&](int x) {
    auto left = Ops::Load(row + x - 1), right = Ops::Load(row + x + 1);
    if constexpr (kLeftVisited)
      left = Cool<Ops, kDrop>(left, lanes);
    else
      right = Cool<Ops, kDrop>(right, lanes);
    Ops::Store(target + x, Average<Ops>(Ops::Load(row + x), Ops::Load(behind + x), left, right));
  };
  int x = 1;
#pragma GCC unroll 2
  for (; x + n - 1 <= last; x += n) block(x);
  if (x <= last) block(last - n + 1);
  // The frame cell beside the first cell visited is read as it is, not cooled.
  if constexpr (kLeftVisited)
    target[1] = Average(row[1], behind[1], row[0], row[2]);
  else
    target[last] = Average(row[last], behind[last], row[last - 1], row[last + 1]);
}

// Cools row[1 .. last] in place.
template <typename Ops, bool kDrop>
[[gnu::always_inline]] inline void CoolRow(uint8_t* row, int last, Cooling k,
                                           const CoolingLanes<Ops>& lanes) {
  int x = 1;
  for (; x + Ops::kLanes - 1 <= last; x += Ops::kLanes)
    Ops::Store(row + x, Cool<Ops, kDrop>(Ops::Load(row + x), lanes));
  for (; x <= last; ++x) row[x] = Cool(row[x], k);
}

// A rising or sinking row cell by cell, exactly as visited (for rows shorter than a block).
template <int kMoveCol>
void RowOneByOne(uint8_t* row, const uint8_t* behind, uint8_t* target, int last, Cooling k) {
  for (int i = 1; i <= last; ++i) {
    const int x = kMoveCol <= 0 ? i : last + 1 - i;
    const uint8_t c = row[x];
    target[x] = Average(c, behind[x], row[x - 1], row[x + 1]);
    row[x] = Cool(c, k);
  }
}

// Left: row[x - 1] = average of row[x], above[x], below[x] and row[x + 1] for x = 1 .. last, then
// row[last] its own cooled value. The averages land in the row they are read from, one cell to
// the left, so a block's averages are stored only after the next block has loaded its cells: every
// block reads original cells, the overlapping last one included.
template <typename Ops>
[[gnu::always_inline]] inline void RowLeft(uint8_t* row, const uint8_t* above, const uint8_t* below,
                                           int last, Cooling k) {
  constexpr int n = Ops::kLanes;
  const uint8_t lastCooled = Cool(row[last], k);
  if (n == 0 || last < n) {
    for (int x = 1; x <= last; ++x) row[x - 1] = Average(row[x], above[x], below[x], row[x + 1]);
  } else if constexpr (n > 0) {
    using Vec = typename Ops::Vec;
    auto block = [&](int x) {
      return Average<Ops>(Ops::Load(row + x), Ops::Load(above + x), Ops::Load(below + x),
                          Ops::Load(row + x + 1));
    };
    Vec previous = block(1);
    int x = 1 + n;
#pragma GCC unroll 2
    for (; x + n - 1 <= last; x += n) {
      const Vec averages = block(x);
      Ops::Store(row + x - n - 1, previous);
      previous = averages;
    }
    if (x <= last) {
      const int x0 = last - n + 1;
      const Vec averages = block(x0);
      Ops::Store(row + x - n - 1, previous);
      Ops::Store(row + x0 - 1, averages);
    } else {
      Ops::Store(row + x - n - 1, previous);
    }
  }
  row[last] = lastCooled;
}

// Right, the mirror image: row[x + 1] = average of row[x], above[x], below[x] and row[x - 1] for x
// descending, then row[1] its own cooled value. Blocks from the right.
template <typename Ops>
[[gnu::always_inline]] inline void RowRight(uint8_t* row, const uint8_t* above,
                                            const uint8_t* below, int last, Cooling k) {
  constexpr int n = Ops::kLanes;
  const uint8_t firstCooled = Cool(row[1], k);
  if (n == 0 || last < n) {
    for (int x = last; x >= 1; --x) row[x + 1] = Average(row[x], above[x], below[x], row[x - 1]);
  } else if constexpr (n > 0) {
    using Vec = typename Ops::Vec;
    auto block = [&](int x0) {
      return Average<Ops>(Ops::Load(row + x0), Ops::Load(above + x0), Ops::Load(below + x0),
                          Ops::Load(row + x0 - 1));
    };
    Vec previous = block(last - n + 1);
    int x = last - n;  // the last cell not yet worked
#pragma GCC unroll 2
    for (; x >= n; x -= n) {
      const Vec averages = block(x - n + 1);
      Ops::Store(row + x + 2, previous);
      previous = averages;
    }
    if (x >= 1) {
      const Vec averages = block(1);
      Ops::Store(row + x + 2, previous);
      Ops::Store(row + 2, averages);
    } else {
      Ops::Store(row + x + 2, previous);
    }
  }
  row[1] = firstCooled;
}

// The rows of a rising (kMoveRow -1) or sinking (+1) sweep, visited away from the movement, each
// writing into the row it moves to, offset by the movement's column.
template <typename Ops, bool kDrop, int kMoveRow, int kMoveCol>
void SweepVertical(uint8_t* cells, int width, int height, Cooling k) {
  const int last = width - 2;  // interior columns 1 .. last
  const int lastRow = height - 2;
  const ptrdiff_t toBehind = -kMoveRow * ptrdiff_t(width);
  const ptrdiff_t toTarget = kMoveRow * ptrdiff_t(width) + kMoveCol;
  auto rowOf = [&](int i) {  // the i-th row visited, 1 .. lastRow
    return cells + ptrdiff_t(kMoveRow < 0 ? i : lastRow + 1 - i) * width;
  };
  if (Ops::kLanes == 0 || last < Ops::kLanes) {
    for (int i = 1; i <= lastRow; ++i) {
      uint8_t* row = rowOf(i);
      RowOneByOne<kMoveCol>(row, row + toBehind, row + toTarget, last, k);
    }
  } else if constexpr (Ops::kLanes > 0) {
    const CoolingLanes<Ops> lanes(k);
    for (int i = 1; i <= lastRow; ++i) {
      uint8_t* row = rowOf(i);
      RowTargets<Ops, kDrop, kMoveCol <= 0>(row, row + toBehind, row + toTarget, last, lanes);
      // The cooled cells the next row's targets leave.
      if (i == lastRow)
        CoolRow<Ops, kDrop>(row, last, k, lanes);
      else if (kMoveCol < 0)
        row[last] = Cool(row[last], k);
      else if (kMoveCol > 0)
        row[1] = Cool(row[1], k);
    }
  }
}

// Left and Right: rows from the top, each worked in place beside the finished row above.
template <typename Ops, bool kLeft>
void SweepAcross(uint8_t* cells, int width, int height, Cooling k) {
  const int last = width - 2;
  for (int y = 1; y <= height - 2; ++y) {
    uint8_t* row = cells + ptrdiff_t(y) * width;
    if constexpr (kLeft)
      RowLeft<Ops>(row, row - width, row + width, last, k);
    else
      RowRight<Ops>(row, row - width, row + width, last, k);
  }
}

template <typename Ops>
constexpr zar::combustion::detail::SweepKernels kSweepKernels = {{
    {SweepVertical<Ops, false, -1, 0>, SweepVertical<Ops, true, -1, 0>},    // Top
    {SweepVertical<Ops, false, -1, -1>, SweepVertical<Ops, true, -1, -1>},  // Left Top
    {SweepAcross<Ops, true>, SweepAcross<Ops, true>},                       // Left
    {SweepVertical<Ops, false, 1, -1>, SweepVertical<Ops, true, 1, -1>},    // Left Btm
    {SweepVertical<Ops, false, 1, 0>, SweepVertical<Ops, true, 1, 0>},      // Bottom
    {SweepVertical<Ops, false, 1, 1>, SweepVertical<Ops, true, 1, 1>},      // Right Btm
    {SweepAcross<Ops, false>, SweepAcross<Ops, false>},                     // Right
    {SweepVertical<Ops, false, -1, 1>, SweepVertical<Ops, true, -1, 1>},    // Right Top
}};

}  // namespace
