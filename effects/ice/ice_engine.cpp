#include "effects/ice/ice_engine.h"

#include <algorithm>
#include <cmath>

#include "base/zmath.h"
#include "effects/field/field_kernels.h"

namespace zar {

namespace {

constexpr double kInverse255 = 0.003921568859368563;    // 1/255 in single precision
constexpr double kOneHundredth = 0.009999999776482582;  // 0.01 in single precision
constexpr double kPhaseScale = 0.00009999999747378752;  // 0.0001 in single precision

int64_t ScaledByRows(int value, int32_t R) {
  return int64_t(std::trunc(double(int64_t(value) * R) * kInverse255));
}

// The half-width of a disc of radius r in the row dy away from its centre (|dy| < r): the
// largest s with s^2 < r^2 - dy^2.
int64_t HalfWidth(int64_t r, int64_t dy) {
  const int64_t room = r * r - dy * dy - 1;
  int64_t s = int64_t(zmath::Sqrt(double(room)));
  while (s * s > room) --s;
  while ((s + 1) * (s + 1) <= room) ++s;
  return s;
}

// The half-widths of the discs up to radius 255, each worked out the first time it is needed:
// radius r holds r entries (dy = 0..r-1) after those of the smaller radii.
constexpr int kTabulatedRadius = 255;

struct HalfWidthTable {
  uint8_t widths[kTabulatedRadius * (kTabulatedRadius + 1) / 2];
  bool ready[kTabulatedRadius + 1];
};

HalfWidthTable gHalfWidths;

// The half-widths of radius r by |dy|, or null beyond the table.
const uint8_t* HalfWidthsOf(int64_t r) {
  if (r > kTabulatedRadius) return nullptr;
  uint8_t* widths = gHalfWidths.widths + r * (r - 1) / 2;
  if (!gHalfWidths.ready[r]) {
    for (int64_t dy = 0; dy < r; ++dy) widths[dy] = uint8_t(HalfWidth(r, dy));
    gHalfWidths.ready[r] = true;
  }
  return widths;
}

}  // namespace

IceStepConstants ComputeIceStepConstants(const WorkingParameters& params, int32_t R) {
  IceStepConstants c;
  c.t = ScaledByRows(params.height, R);
  c.u = ScaledByRows(params.smooth, R);
  c.wv = ScaledByRows(params.width, R);
  c.av = ScaledByRows(params.amplitude, R);
  c.D = int64_t(std::trunc(double(c.wv * c.av) * kOneHundredth));
  c.E = c.wv / 2;
  c.dPhi = float(params.velocity * kPhaseScale);
  return c;
}

namespace {

// The part of a disc a band stamps: rows [i0, i1), columns [j0, j1) (the window and the field's
// interior), and within them the disc of radius r around (K, F).
struct DiscCut {
  int64_t F, K, r, i0, i1, j0, j1;
};

// Copies the sources within the cut.
void StampDisc(uint8_t* mainField, const uint8_t* S, int64_t P, const DiscCut& d) {
  const int64_t rows = d.i1 - d.i0;
  if (const uint8_t* widths = HalfWidthsOf(d.r)) {
    // The discs' rows end before the field's last row, so a whole vector from any column of
    // them lies inside the field when the rows are that wide.
    const int32_t padded = P >= field_kernels::kSpanPadding ? int32_t(rows) : 0;
    const field_kernels::DiscRows disc{int32_t(rows), int32_t(d.F - d.i0), int32_t(d.K),
                                       int32_t(d.j0), int32_t(d.j1),       widths};
    field_kernels::ActiveKernels().copyDisc(mainField + d.i0 * P, S + d.i0 * P, P, disc, padded);
    return;
  }
  // Discs beyond the table, a cell at a time.
  for (int64_t i = d.i0; i < d.i1; ++i) {
    const int64_t s = HalfWidth(d.r, i < d.F ? d.F - i : i - d.F);
    const int64_t end = std::min(d.j1, d.K + s + 1);
    for (int64_t j = std::max(d.j0, d.K - s); j < end; ++j)
      mainField[i * P + j] = S[i * P + j] != 0 ? S[i * P + j] : mainField[i * P + j];
  }
}

}  // namespace

namespace {

// The disc feeding, each band right behind the directional pass when one is under way.
void FeedDiscsBehind(uint8_t* mainField, const uint8_t* S, const FieldExtents& e,
                     const IceStepConstants& c, int space, Rng& rng, float& wobblePhase,
                     DirectionalPassInPieces* pass) {
  const int64_t R = e.R, N = e.N, P = e.P;
  for (int64_t F = 1; F < R;) {
    rng.Seed(0);
    int64_t M = c.E + rng.Next() % (c.E + 1);
    const float phi = wobblePhase;
    const int64_t A = int64_t(std::trunc((zmath::Sin(phi) + 1) * double(c.D)));
    const int64_t B = int64_t(std::trunc((zmath::Sin(1.1 * phi) + 1) * double(c.D)));
    wobblePhase = phi + c.dPhi;
    if (wobblePhase > 10000) wobblePhase = 0;
    // A band of radius 0 or 1 keeps nothing: with radius 1 only the disc's centre column lies
    // within it, and the window ends just before that column unless the wobble reaches past it.
    // Both become 2. (Radius 1 comes from a smallest radius E of 1, as the first draw after the
    // reseed is even; it would leave whole strips of common preview sizes unfed.)
    if (M < 2) M = 2;
    // The band's rows lie above row F + M.
    if (pass) AdvanceDirectionalPass(*pass, int32_t(std::min(F + M, R)));
    for (int64_t K = 1; K < N;) {
      int64_t L = c.E + rng.Next() % (c.E + 1);
      if (L == 0) L = 2;
      const int64_t r = std::min(M, L);
      // The disc ((j - K)^2 + (i - F)^2 < r^2) within the band, the window [K - L + B, K + A)
      // and the field's interior.
      const int64_t i0 = std::max({F - M, F - r + 1, int64_t(1)});
      const int64_t i1 = std::min({F + M, F + r, R - 1});
      const int64_t j0 = std::max(K - L + B, int64_t(1));
      const int64_t j1 = std::min(K + A, N - 1);
      if (i0 < i1 && j0 < j1) StampDisc(mainField, S, P, {F, K, r, i0, i1, j0, j1});
      K = K + L + L * space / 33;
    }
    F = int64_t(std::trunc(double(F) + 1.2 * double(M)));
  }
  if (pass) AdvanceDirectionalPass(*pass, e.R);
}

}  // namespace

void FeedDiscs(uint8_t* mainField, const uint8_t* S, const FieldExtents& e,
               const IceStepConstants& c, int space, Rng& rng, float& wobblePhase) {
  FeedDiscsBehind(mainField, S, e, c, space, rng, wobblePhase, nullptr);
}

void IceStepField(const FieldStepArgs& args, float& wobblePhase) {
  const FieldExtents& e = args.extents;
  const IceStepConstants c = ComputeIceStepConstants(args.params, e.R);
  const int h = args.rng.Next();
  // The directional pass a band of rows at a time, each band of discs following behind it.
  DirectionalPassInPieces pass;
  BeginDirectionalPass(pass, args.mainField, e, args.stepDirection, MakeCoolingTable(c.t, c.u, h));
  FeedDiscsBehind(args.mainField, args.S, e, c, args.params.space, args.rng, wobblePhase, &pass);
  if (args.params.maskDroplet != 0) MergeDroplets(args.mainField, args.dropletField, e);
}

void RunIceEngine(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount,
                  int32_t& previewState, ColorRamp& colorRamp, Rng& rng, IceEngineState& state) {
  const FieldEngineVariant variant{true,
                                   [](const FieldStepArgs& args, void* context) {
                                     IceStepField(
                                         args, static_cast<IceEngineState*>(context)->wobblePhase);
                                   },
                                   &state};
  RunFieldEngine(frame, params, iterationCount, previewState, colorRamp, rng, state.fields,
                 variant);
}

}  // namespace zar
