#include "effects/fire/fire_engine.h"

#include <algorithm>
#include <cstdlib>

namespace zar {

namespace {

constexpr double kInverse255 = 0.003921568859368563;  // 1/255 in single precision

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
  const BlobLattice lattice = LatticeOf(fuel, rng.Next() % 5);
  int k1[256];  // per column of a blob: its value in the centre row
  for (int32_t y0 = 0; y0 < e.R; y0 += lattice.G) {
    for (int32_t x0 = 0; x0 < e.N; x0 += lattice.Gc) {
      const int rho = std::max((rng.Next() % lattice.G + 1) >> 1, 1);
      if (rng.Next() % 2 == 0) continue;
      const int32_t x1 = std::min(x0 + 2 * rho, e.N), y1 = std::min(y0 + 2 * rho, e.R);
      for (int32_t j = x0; j < x1; ++j) k1[j - x0] = BlobValue(rho, j - (x0 + rho), 0);
      for (int32_t i = y0; i < y1; ++i) {
        const int fall = rho - std::abs(i - (y0 + rho));
        const uint8_t* sources = S + ptrdiff_t(i) * e.P;
        uint8_t* cells = mainField + ptrdiff_t(i) * e.P;
        for (int32_t j = x0; j < x1; ++j) {
          const int value = int(double(k1[j - x0] * fall) / rho);
          if (sources[j] != 0 && cells[j] < value) cells[j] = uint8_t(value);
        }
      }
    }
  }
}

void SourcePass(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int viscosity,
                Rng& rng) {
  if (viscosity == 255) {
    // One draw per cell, in column order.
    for (int32_t x = 0; x < e.N; ++x)
      for (int32_t y = 0; y < e.R; ++y) {
        const ptrdiff_t at = ptrdiff_t(y) * e.P + x;
        const int keep = rng.Next() % 2;
        if (S[at] != 0) mainField[at] = uint8_t(keep * S[at]);
      }
    return;
  }
  uint8_t damped[256];
  const double factor = ((viscosity >> 1) + 127) * kInverse255;
  for (int v = 0; v < 256; ++v) damped[v] = uint8_t(factor * v);
  for (int32_t y = 0; y < e.R; ++y) {
    const uint8_t* sources = S + ptrdiff_t(y) * e.P;
    uint8_t* cells = mainField + ptrdiff_t(y) * e.P;
    for (int32_t x = 0; x < e.N; ++x)
      if (sources[x] != 0) cells[x] = damped[cells[x]];
  }
}

void FireStepField(const FieldStepArgs& args) {
  const FieldExtents& e = args.extents;
  const WorkingParameters& p = args.params;
  const int h = args.rng.Next();
  DirectionalPass(args.mainField, e, args.stepDirection, MakeCoolingTable(p.oxygen, p.gravity, h));
  FeedBlobs(args.mainField, args.S, e, p.fuel, args.rng);
  SourcePass(args.mainField, args.S, e, p.viscosity, args.rng);
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
