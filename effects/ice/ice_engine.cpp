#include "effects/ice/ice_engine.h"

#include <algorithm>
#include <cmath>

#include "effects/common/zmath.h"

namespace zar {

namespace {

constexpr double kInverse255 = 0.003921568859368563;    // 1/255 in single precision
constexpr double kOneHundredth = 0.009999999776482582;  // 0.01 in single precision
constexpr double kPhaseScale = 0.00009999999747378752;  // 0.0001 in single precision

int64_t ScaledByRows(int value, int32_t R) {
  return int64_t(std::trunc(double(int64_t(value) * R) * kInverse255));
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

void FeedDiscs(uint8_t* mainField, const uint8_t* S, const FieldExtents& e,
               const IceStepConstants& c, int space, Rng& rng, float& wobblePhase) {
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
      for (int64_t i = i0; i < i1; ++i) {
        // The disc's half-width in this row: the largest s with s^2 < r^2 - (i - F)^2.
        const int64_t room = r * r - (i - F) * (i - F) - 1;
        int64_t s = int64_t(zmath::Sqrt(double(room)));
        while (s * s > room) --s;
        while ((s + 1) * (s + 1) <= room) ++s;
        const uint8_t* sources = S + i * P;
        uint8_t* cells = mainField + i * P;
        const int64_t end = std::min(j1, K + s + 1);
        for (int64_t j = std::max(j0, K - s); j < end; ++j)
          cells[j] = sources[j] != 0 ? sources[j] : cells[j];
      }
      K = K + L + L * space / 33;
    }
    F = int64_t(std::trunc(double(F) + 1.2 * double(M)));
  }
}

void IceStepField(const FieldStepArgs& args, float& wobblePhase) {
  const FieldExtents& e = args.extents;
  const IceStepConstants c = ComputeIceStepConstants(args.params, e.R);
  const int h = args.rng.Next();
  DirectionalPass(args.mainField, e, args.stepDirection, MakeCoolingTable(c.t, c.u, h));
  FeedDiscs(args.mainField, args.S, e, c, args.params.space, args.rng, wobblePhase);
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
