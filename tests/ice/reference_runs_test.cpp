// The Ice and Candle engine against the plain engine: the disc feeding, whole steps and whole
// calls, with every kernel set.
#include "tests/ice/reference_runs.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "effects/ice/ice_engine.h"

namespace zar {
namespace {

using testing::KernelSets;
using testing::RandomField;
using testing::Uniform;
using testing::UsingKernels;

struct RandomStrip {
  FieldExtents e;
  WorkingParameters p;
};

RandomStrip MakeStrip(std::mt19937& g) {
  RandomStrip s;
  const int32_t width = Uniform(g, 0, 4) == 0 ? Uniform(g, 1, 400) : Uniform(g, 1, 70);
  const int32_t height = Uniform(g, 0, 4) == 0 ? Uniform(g, 1, 400) : Uniform(g, 1, 70);
  s.e.W = width + Uniform(g, 0, 3);
  s.e.w = width;
  s.e.H = height;
  s.e.P = s.e.W + 4;
  s.e.R = height + 5;
  s.e.N = width + 4;
  s.p = (Uniform(g, 0, 1) ? kIceTable : kCandleTable).defaults;
  if (Uniform(g, 0, 2))
    for (uint8_t* v :
         {&s.p.height, &s.p.smooth, &s.p.width, &s.p.amplitude, &s.p.velocity, &s.p.space})
      *v = uint8_t(Uniform(g, 0, 255));
  s.p.maskDroplet = uint8_t(Uniform(g, 0, 1));
  return s;
}

TEST(IceAgainstReference, DiscFeeding) {
  std::mt19937 g(21);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 400; ++trial) {
      const RandomStrip s = MakeStrip(g);
      const size_t size = size_t(s.e.P) * size_t(s.e.R);
      const std::vector<uint8_t> S = RandomField(g, size);
      std::vector<uint8_t> field = RandomField(g, size), expected = field;
      Rng rng, replay;
      rng.state = replay.state = uint32_t(g());
      float phase = Uniform(g, 0, 1) ? 0.0f : float(Uniform(g, 0, 9999)) + 0.25f;
      float replayPhase = phase;
      reference::FeedDiscs(expected.data(), S.data(), s.e, s.p, replay, replayPhase);
      FeedDiscs(field.data(), S.data(), s.e, ComputeIceStepConstants(s.p, s.e.R), s.p.space, rng,
                phase);
      ASSERT_EQ(field, expected) << set->name << " " << s.e.w << "x" << s.e.H << " trial " << trial;
      ASSERT_EQ(rng.state, replay.state);
      ASSERT_EQ(phase, replayPhase);
    }
  }
}

TEST(IceAgainstReference, Steps) {
  std::mt19937 g(22);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 400; ++trial) {
      const RandomStrip s = MakeStrip(g);
      const size_t size = size_t(s.e.P) * size_t(s.e.R);
      const std::vector<uint8_t> S = RandomField(g, size), drops = RandomField(g, size);
      std::vector<uint8_t> field = RandomField(g, size), expected = field;
      const int d = trial % 9;
      Rng rng, replay;
      rng.state = replay.state = uint32_t(g());
      float phase = float(Uniform(g, 0, 99)), replayPhase = phase;
      reference::IceStep(expected.data(), S.data(), drops.data(), s.e, d, s.p, replay, replayPhase);
      IceStepField({field.data(), S.data(), drops.data(), s.e, d, s.p, rng}, phase);
      ASSERT_EQ(field, expected) << set->name << " " << s.e.w << "x" << s.e.H << " d " << d;
      ASSERT_EQ(rng.state, replay.state);
      ASSERT_EQ(phase, replayPhase);
    }
  }
}

TEST(IceAgainstReference, WholeCalls) { testing::CompareRandomCalls<testing::IceModule>(23, 150); }

}  // namespace
}  // namespace zar
