#include "effects/fire/fire_engine.h"

#include <algorithm>
#include <cstdlib>

#include "effects/field/field_kernels.h"
#include "effects/field/field_random.h"

namespace zar {

namespace {

constexpr double kInverse255 = 0.003921568859368563;  // 1/255 in single precision

// The blob radius is (rand() mod G + 1) >> 1 with G at most 256.
constexpr int kMaxBlobRadius = 128;

// The blobs' values by radius, worked out once per radius the first time it is drawn: for a
// blob of radius rho, rho rows of 2 rho values, the row of fall f (rho - |b|, 1..rho) holding
// BlobValue(rho, a, rho - f) for a = -rho..rho-1. (The row of fall 0 is all 0 and raises
// nothing.) Radius rho starts after the 2 q^2 values of each smaller radius q.
constexpr size_t BlobShapeOffset(int rho) { return size_t(rho - 1) * rho * (2 * rho - 1) / 3; }

struct BlobShapes {
  // (Padded for the vector kernels, which may read a vector past a row's end.)
  uint8_t values[BlobShapeOffset(kMaxBlobRadius + 1) + field_kernels::kSpanPadding];
  const uint8_t* shape[kMaxBlobRadius + 1];  // null until worked out
};

BlobShapes gBlobShapes;

// The rows of a blob of radius rho, from the row of fall 1.
const uint8_t* BlobShape(int rho) {
  if (const uint8_t* shape = gBlobShapes.shape[rho]) return shape;
  uint8_t* shape = gBlobShapes.values + BlobShapeOffset(rho);
  for (int f = 1; f <= rho; ++f)
    for (int a = -rho; a < rho; ++a)
      shape[size_t(f - 1) * 2 * rho + size_t(a + rho)] = uint8_t(BlobValue(rho, a, rho - f));
  return gBlobShapes.shape[rho] = shape;
}

// The damping of the pass inside the sources as a table, and as a multiplier m with
// (v * m) >> 16 equal to the table for every value, where one exists (none is used otherwise).
struct DampingTable {
  uint8_t table[256];
  field_kernels::Damping damping;
};

void MakeDamping(DampingTable& d, int viscosity) {
  const double factor = ((viscosity >> 1) + 127) * kInverse255;
  for (int v = 0; v < 256; ++v) d.table[v] = uint8_t(factor * v);
  d.damping = {d.table, 0};
  const int64_t guess = int64_t(factor * 65536);
  for (int64_t m = std::max<int64_t>(guess - 2, 1); m <= std::min<int64_t>(guess + 3, 65535); ++m) {
    bool exact = true;
    for (int v = 0; v < 256 && exact; ++v) exact = ((v * m) >> 16) == d.table[v];
    if (exact) {
      d.damping.multiplier = uint32_t(m);
      return;
    }
  }
}

// Lays a blob of radius rho at lattice point (x0, y0). Its top row is all 0.
void StampBlob(const field_kernels::KernelSet& kernels, uint8_t* mainField, const uint8_t* S,
               const FieldExtents& e, int32_t x0, int32_t y0, int rho) {
  const int32_t first = y0 + 1, end = std::min(y0 + 2 * rho, e.R);
  if (first >= end) return;
  const field_kernels::BlobRows blob{end - first, std::min(x0 + 2 * rho, e.N) - x0, rho,
                                     BlobShape(rho)};
  // Above the field's last row, a whole vector from any column lies inside the field when rows
  // are that wide.
  const int32_t padded = e.P >= field_kernels::kSpanPadding ? std::min(end, e.R - 1) - first : 0;
  const ptrdiff_t at = ptrdiff_t(first) * e.P + x0;
  kernels.raiseBlob(mainField + at, S + at, e.P, blob, std::max(padded, 0));
}

// The blobs, and with `damping` the damping of the source cells, each lattice row right behind
// the directional pass when one is under way. A lattice row's blobs lie within its G rows
// (2 rho is at most G, or 2 where G is 1) and later ones lie below, so the rows above the next
// lattice row are done once a lattice row is laid, and are damped then.
void FeedBlobsThenDamp(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int fuel,
                       Rng& rng, const field_kernels::Damping* damping,
                       DirectionalPassInPieces* pass) {
  const field_kernels::KernelSet& kernels = field_kernels::ActiveKernels();
  const BlobLattice lattice = LatticeOf(fuel, rng.Next() % 5);
  const DrawModulus radii(uint32_t(lattice.G));
  Rng local = rng;
  int32_t damped = 0;
  auto dampUpTo = [&](int32_t end) {
    for (; damped < end; ++damped) {
      const ptrdiff_t at = ptrdiff_t(damped) * e.P;
      kernels.dampSources(mainField + at, S + at, e.N, *damping);
    }
  };
  for (int32_t y0 = 0; y0 < e.R; y0 += lattice.G) {
    if (pass) AdvanceDirectionalPass(*pass, y0 + std::max(lattice.G, 2));
    for (int32_t x0 = 0; x0 < e.N; x0 += lattice.Gc) {
      // The radius, then the coin (kept in a local generator, which stays in a register).
      const DrawPair draws = NextTwo(local);
      const int rho = std::min(std::max((radii.Of(draws.first) + 1) >> 1, 1), kMaxBlobRadius);
      if (draws.second % 2 != 0) StampBlob(kernels, mainField, S, e, x0, y0, rho);
    }
    if (damping) dampUpTo(std::min(y0 + lattice.G, e.R));
  }
  rng = local;
  if (pass) AdvanceDirectionalPass(*pass, e.R);
  if (damping) dampUpTo(e.R);
}

// The flicker: one draw per cell, down each column, column after column; only its parity
// counts. The draw for cell (x, y) is number x R + y + 1 from here, so its parity lies that far
// along the cycle from the generator's place on it; afterwards the generator stands N R draws
// on. A band of rows at a time right behind the directional pass when one is under way.
void FlickerSources(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, Rng& rng,
                    DirectionalPassInPieces* pass) {
  const field_kernels::KernelSet& kernels = field_kernels::ActiveKernels();
  const uint32_t start = (CoinCyclePosition(rng.state) + 1) % field_kernels::kCoinCycle;
  const field_kernels::CoinRows& rows = CoinRowsFor(e.R);
  constexpr int32_t kBand = 16;
  for (int32_t y = 0; y < e.R; y += kBand) {
    const int32_t end = std::min(y + kBand, e.R);
    if (pass) AdvanceDirectionalPass(*pass, end);
    kernels.coinSources(mainField, S, e.P, e.N, y, end, rows, start);
  }
  if (pass) AdvanceDirectionalPass(*pass, e.R);
  SkipDraws(rng, uint64_t(e.N) * uint64_t(e.R));
}

}  // namespace

BlobLattice LatticeOf(int fuel, int r5) {
  const int32_t G = fuel / (r5 + 1) + 1;
  return {G, std::max(G / 4, 1)};
}

int BlobValue(int rho, int a, int b) {
  const int k1 = int(double(rho - std::abs(a)) / rho * 255);
  return int(double(k1 * (rho - std::abs(b))) / rho);
}

void FeedBlobs(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int fuel, Rng& rng) {
  FeedBlobsThenDamp(mainField, S, e, fuel, rng, nullptr, nullptr);
}

void SkipBlobs(const FieldExtents& e, int fuel, Rng& rng) {
  const BlobLattice lattice = LatticeOf(fuel, rng.Next() % 5);
  const int64_t rows = (std::max(e.R, 0) + int64_t(lattice.G) - 1) / lattice.G;
  const int64_t columns = (std::max(e.N, 0) + int64_t(lattice.Gc) - 1) / lattice.Gc;
  SkipDraws(rng, uint64_t(2 * rows * columns));
}

void SourcePass(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int viscosity,
                Rng& rng) {
  const field_kernels::KernelSet& kernels = field_kernels::ActiveKernels();
  if (viscosity == 255) return FlickerSources(mainField, S, e, rng, nullptr);
  DampingTable damping;
  MakeDamping(damping, viscosity);
  for (int32_t y = 0; y < e.R; ++y) {
    const ptrdiff_t at = ptrdiff_t(y) * e.P;
    kernels.dampSources(mainField + at, S + at, e.N, damping.damping);
  }
}

void FireStepField(const FieldStepArgs& args) {
  const FieldExtents& e = args.extents;
  const WorkingParameters& p = args.params;
  const int h = args.rng.Next();
  // The directional pass a band of rows at a time, the rest of the step following behind it.
  DirectionalPassInPieces pass;
  BeginDirectionalPass(pass, args.mainField, e, args.stepDirection,
                       MakeCoolingTable(p.oxygen, p.gravity, h));
  if (p.viscosity == 255) {
    // The blobs only raise source cells, and the flicker then gives every source cell its
    // source value or 0: of the blobs only their draws remain.
    SkipBlobs(e, p.fuel, args.rng);
    FlickerSources(args.mainField, args.S, e, args.rng, &pass);
  } else {
    // The damping of each band of rows as soon as its blobs are laid.
    DampingTable damping;
    MakeDamping(damping, p.viscosity);
    FeedBlobsThenDamp(args.mainField, args.S, e, p.fuel, args.rng, &damping.damping, &pass);
  }
  if (p.maskDroplet != 0) MergeDroplets(args.mainField, args.dropletField, e);
}

void RunFireEngine(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount,
                   int32_t& previewState, ColorRamp& colorRamp, Rng& rng, FireEngineState& state) {
  const FieldEngineVariant variant{
      false, [](const FieldStepArgs& args, void*) { FireStepField(args); }, nullptr};
  RunFieldEngine(frame, params, iterationCount, previewState, colorRamp, rng, state.fields,
                 variant);
}

}  // namespace zar
