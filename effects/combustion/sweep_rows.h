// The rows of the propagation sweep, written once over a set of vector operations `Ops` and
// instantiated per instruction set (sweep_rows_sse2.cpp, sweep_rows_avx2.cpp). Included only by
// those files, each inside a namespace of its own; it pulls in nothing but <cstdint>, so a file
// compiled for a wider instruction set shares no inline code with the rest of the program.
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
//   into the row it moves to is read again by this row. So a row is: every target from original
//   values and one cooled neighbour, and every cell cooled (RowAscending, RowDescending).
// - Left: the row above is finished, the row below not yet visited. A cell's average lands one
//   cell to its left, on a cell already visited; the cell itself and its right neighbour are
//   original. So every cell of the row but the last ends as the average its right neighbour
//   wrote, and the last as its own cooled value (RowLeft). Right is the mirror image (RowRight).
//
// Each row is worked in blocks of Ops::kLanes cells, each block loading everything it reads
// before it stores anything; the cells left over go through one more block on padded copies or,
// when only a few, one by one by the rule itself. Ops::kLanes = 0 works the whole row one by one.
#pragma once

#include <cstdint>
#include <cstring>

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

// The cells of a row that remain after its full blocks are worked as one more block on copies
// padded to a block: `Padded` holds the copies, the block computes every lane, and only the lanes
// of real cells are copied back (lanes past the real cells hold zeros and are discarded). Fewer
// than kPaddedFrom cells are cheaper one by one.
template <typename Ops>
struct Padded {
  uint8_t cells[Ops::kLanes + 2] = {};  // the row, with a neighbour on either side
  uint8_t a[Ops::kLanes] = {};          // the rows above and below, or behind
  uint8_t b[Ops::kLanes] = {};
  uint8_t out1[Ops::kLanes];
  uint8_t out2[Ops::kLanes];
};

constexpr int kPaddedFrom = 8;

// A rising or sinking row with columns ascending (the movement is straight or leftwards):
// target[x] = average of row[x], behind[x], row[x - 1] cooled (row[0] as it is) and row[x + 1],
// then row[x] cooled, x = 1 .. last. `target` is the row moved into, offset by the movement's
// column. A block's cooled left neighbours are its own cooled cells moved up one lane, the first
// lane taking the previous block's last cooled cell (row[0] before the first block); one by one,
// row[x - 1] has been cooled already.
template <typename Ops, bool kDrop>
void RowAscending(uint8_t* row, const uint8_t* behind, uint8_t* target, int last, Cooling k) {
  int x = 1;
  if constexpr (Ops::kLanes > 0) {
    const CoolingLanes<Ops> lanes(k);
    auto carry = Ops::Set1(row[0]);
    // Cells `cells` .. + kLanes - 1 with their right neighbours, and the row behind.
    auto block = [&](const uint8_t* cells, const uint8_t* behindCells, uint8_t* targets,
                     uint8_t* cooledCells) {
      const auto here = Ops::Load(cells), right = Ops::Load(cells + 1);
      const auto cooled = Cool<Ops, kDrop>(here, lanes);
      const auto left = Ops::WithPreviousLast(cooled, carry);
      Ops::Store(targets, Average<Ops>(here, Ops::Load(behindCells), left, right));
      Ops::Store(cooledCells, cooled);
      carry = cooled;
    };
    for (; x + Ops::kLanes - 1 <= last; x += Ops::kLanes)
      block(row + x, behind + x, target + x, row + x);
    if (const int rest = last + 1 - x; rest >= kPaddedFrom) {
      Padded<Ops> p;
      std::memcpy(p.cells, row + x, size_t(rest + 1));
      std::memcpy(p.a, behind + x, size_t(rest));
      block(p.cells, p.a, p.out1, p.out2);
      std::memcpy(target + x, p.out1, size_t(rest));
      std::memcpy(row + x, p.out2, size_t(rest));
      return;
    }
  }
  for (; x <= last; ++x) {
    const uint8_t c = row[x];
    target[x] = Average(c, behind[x], row[x - 1], row[x + 1]);
    row[x] = Cool(c, k);
  }
}

// The mirror image, columns descending (the movement is rightwards): the right neighbour is read
// cooled, row[last + 1] as it is. Blocks from the right; cells left over at the start of the row
// go into the last lanes of the padded block, next to the carried neighbour.
template <typename Ops, bool kDrop>
void RowDescending(uint8_t* row, const uint8_t* behind, uint8_t* target, int last, Cooling k) {
  int x = last;  // the last cell not yet worked
  if constexpr (Ops::kLanes > 0) {
    const CoolingLanes<Ops> lanes(k);
    auto carry = Ops::Set1(row[last + 1]);
    // Cells `cells` .. + kLanes - 1 with their left neighbours, and the row behind.
    auto block = [&](const uint8_t* cells, const uint8_t* behindCells, uint8_t* targets,
                     uint8_t* cooledCells) {
      const auto here = Ops::Load(cells), left = Ops::Load(cells - 1);
      const auto cooled = Cool<Ops, kDrop>(here, lanes);
      const auto right = Ops::WithNextFirst(cooled, carry);
      Ops::Store(targets, Average<Ops>(here, Ops::Load(behindCells), left, right));
      Ops::Store(cooledCells, cooled);
      carry = cooled;
    };
    for (; x >= Ops::kLanes; x -= Ops::kLanes) {
      const int x0 = x - (Ops::kLanes - 1);
      block(row + x0, behind + x0, target + x0, row + x0);
    }
    if (const int rest = x; rest >= kPaddedFrom) {  // cells 1 .. rest
      const int lane = Ops::kLanes - rest;
      Padded<Ops> p;
      std::memcpy(p.cells + lane, row, size_t(rest + 1));
      std::memcpy(p.a + lane, behind + 1, size_t(rest));
      block(p.cells + 1, p.a, p.out1, p.out2);
      std::memcpy(target + 1, p.out1 + lane, size_t(rest));
      std::memcpy(row + 1, p.out2 + lane, size_t(rest));
      return;
    }
  }
  for (; x >= 1; --x) {
    const uint8_t c = row[x];
    target[x] = Average(c, behind[x], row[x - 1], row[x + 1]);
    row[x] = Cool(c, k);
  }
}

// Left: row[x - 1] = average of row[x], above[x], below[x] and row[x + 1] for x = 1 .. last, then
// row[last] its own cooled value. A block loads cells x .. x + kLanes and stores x - 1 ..
// x + kLanes - 2, so the next block loads only cells not yet stored.
template <typename Ops>
void RowLeft(uint8_t* row, const uint8_t* above, const uint8_t* below, int last, Cooling k) {
  const uint8_t lastCooled = Cool(row[last], k);
  int x = 1;
  if constexpr (Ops::kLanes > 0) {
    auto block = [](const uint8_t* cells, const uint8_t* a, const uint8_t* b, uint8_t* averages) {
      Ops::Store(averages,
                 Average<Ops>(Ops::Load(cells), Ops::Load(a), Ops::Load(b), Ops::Load(cells + 1)));
    };
    for (; x + Ops::kLanes - 1 <= last; x += Ops::kLanes)
      block(row + x, above + x, below + x, row + x - 1);
    if (const int rest = last + 1 - x; rest >= kPaddedFrom) {
      Padded<Ops> p;
      std::memcpy(p.cells, row + x, size_t(rest + 1));
      std::memcpy(p.a, above + x, size_t(rest));
      std::memcpy(p.b, below + x, size_t(rest));
      block(p.cells, p.a, p.b, p.out1);
      std::memcpy(row + x - 1, p.out1, size_t(rest));
      x = last + 1;
    }
  }
  for (; x <= last; ++x) row[x - 1] = Average(row[x], above[x], below[x], row[x + 1]);
  row[last] = lastCooled;
}

// Right, the mirror image: row[x + 1] = average of row[x], above[x], below[x] and row[x - 1] for x
// descending, then row[1] its own cooled value. Blocks from the right.
template <typename Ops>
void RowRight(uint8_t* row, const uint8_t* above, const uint8_t* below, int last, Cooling k) {
  const uint8_t firstCooled = Cool(row[1], k);
  int x = last;
  if constexpr (Ops::kLanes > 0) {
    auto block = [](const uint8_t* cells, const uint8_t* a, const uint8_t* b, uint8_t* averages) {
      Ops::Store(averages,
                 Average<Ops>(Ops::Load(cells), Ops::Load(a), Ops::Load(b), Ops::Load(cells - 1)));
    };
    for (; x >= Ops::kLanes; x -= Ops::kLanes) {
      const int x0 = x - (Ops::kLanes - 1);
      block(row + x0, above + x0, below + x0, row + x0 + 1);
    }
    if (const int rest = x; rest >= kPaddedFrom) {  // cells 1 .. rest
      const int lane = Ops::kLanes - rest;
      Padded<Ops> p;
      std::memcpy(p.cells + lane, row, size_t(rest + 1));
      std::memcpy(p.a + lane, above + 1, size_t(rest));
      std::memcpy(p.b + lane, below + 1, size_t(rest));
      block(p.cells + 1, p.a, p.b, p.out1);
      std::memcpy(row + 2, p.out1 + lane, size_t(rest));
      x = 0;
    }
  }
  for (; x >= 1; --x) row[x + 1] = Average(row[x], above[x], below[x], row[x - 1]);
  row[1] = firstCooled;
}

template <typename Ops>
constexpr zar::combustion::detail::RowKernels kRowKernels = {
    {RowAscending<Ops, false>, RowAscending<Ops, true>},
    {RowDescending<Ops, false>, RowDescending<Ops, true>},
    RowLeft<Ops>,
    RowRight<Ops>,
};

}  // namespace
