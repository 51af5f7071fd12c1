// Whole engine calls against the plain engine: random pictures, selections and settings, final
// renderings and running previews, compared after every call (the picture, the generator, the
// wobble phase and, in a preview, all four fields). Shared by the Ice/Candle and Fire/Cryo tests.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "settings/plugin_table.h"
#include "tests/ice/engine_runs.h"
#include "tests/ice/kernel_sets.h"
#include "tests/ice/reference_field.h"

namespace zar::testing {

struct RandomCall {
  Image in;
  Image mask;  // empty: no selection
  WorkingParameters params;
  bool preview;
  int calls;
  uint32_t rngState;
  float wobblePhase;
};

// A random call of one of the module's two deliverables. Small pictures of every shape, now and
// then a large one; every setting somewhere in its range.
template <typename Module>
RandomCall MakeRandomCall(std::mt19937& g) {
  RandomCall c;
  const bool large = Uniform(g, 0, 19) == 0;
  const int planes = Uniform(g, 0, 9) == 0 ? Uniform(g, 1, 6) : Uniform(g, 3, 5);
  const int width = large                   ? Uniform(g, 150, 320)
                    : Uniform(g, 0, 5) == 0 ? Uniform(g, 1, 8)
                                            : Uniform(g, 1, 90);
  const int height = large                   ? Uniform(g, 120, 260)
                     : Uniform(g, 0, 5) == 0 ? Uniform(g, 1, 8)
                                             : Uniform(g, 1, 90);
  c.in = StructuredPicture(width, height, planes);
  if (Uniform(g, 0, 3) == 0) c.in = c.in.WithPadding(Uniform(g, 1, 7));
  for (uint8_t& b : c.in.pixels)
    if (Uniform(g, 0, 30) == 0) b = uint8_t(g());
  if (Uniform(g, 0, 3) == 0) {
    c.mask = EllipseMask(width, height);
    for (uint8_t& b : c.mask.pixels)
      if (Uniform(g, 0, 10) == 0) b = uint8_t(Uniform(g, 0, 1) * 255);
  }
  const PluginTable& table = *Module::kTables[Uniform(g, 0, 1)];
  WorkingParameters& p = c.params;
  p = table.defaults;
  p.flameDirection = uint8_t(Uniform(g, 0, 12) == 0 ? Uniform(g, 8, 255) : Uniform(g, 0, 7));
  p.maskMode = uint8_t(Uniform(g, 0, 10) == 0 ? Uniform(g, 4, 9) : Uniform(g, 0, 3));
  p.maskInvert = uint8_t(Uniform(g, 0, 1));
  p.maskDroplet = uint8_t(Uniform(g, 0, 2) == 0);
  if (Uniform(g, 0, 2) == 0) {
    p.radius = Uniform(g, 0, 100);
    p.rotation = Uniform(g, -400, 400);
  }
  p.iterations = Uniform(g, 1, 12);
  if (Uniform(g, 0, 3) == 0) p.alpha = uint8_t(Uniform(g, 0, 255));
  p.colorMode = uint8_t(Uniform(g, 0, 1));
  if (Uniform(g, 0, 1)) {
    for (uint8_t* v : {&p.height, &p.smooth, &p.width, &p.amplitude, &p.velocity, &p.space})
      *v = uint8_t(Uniform(g, 0, 255));
    p.oxygen = uint8_t(Uniform(g, 0, 255));
    p.gravity = uint8_t(Uniform(g, 0, 255));
    p.fuel = uint8_t(Uniform(g, 0, 3) == 0 ? Uniform(g, 0, 3) : Uniform(g, 0, 255));
  }
  const int viscosity = Uniform(g, 0, 3);
  p.viscosity = uint8_t(viscosity == 0 ? 255 : viscosity == 1 ? 254 : Uniform(g, 0, 255));
  c.preview = Uniform(g, 0, 1);
  c.calls = c.preview ? Uniform(g, 1, 5) : Uniform(g, 1, 2);
  c.rngState = uint32_t(g());
  c.wobblePhase = Uniform(g, 0, 1) ? 0.0f : float(Uniform(g, 0, 10000));
  return c;
}

// Runs the call in the module and in the plain engine and compares after every call.
template <typename Module>
void ExpectSameAsTheReference(const RandomCall& c, const std::string& label) {
  Module m;
  reference::Module r;
  r.ice = std::is_same_v<Module, IceModule>;
  m.module.rng.state = r.rng.state = c.rngState;
  if constexpr (std::is_same_v<Module, IceModule>) m.state.wobblePhase = c.wobblePhase;
  r.wobblePhase = c.wobblePhase;
  m.module.previewState = r.previewState = c.preview ? 2 : 0;
  const Image* mask = c.mask.width ? &c.mask : nullptr;
  const int32_t iterations = c.preview ? 1 : c.params.iterations;
  for (int call = 0; call < c.calls; ++call) {
    Image out = OutputFor(c.in), expected = out;
    if (!c.preview) m.module.previewState = r.previewState = 0;
    m.Run(FrameOf(c.in, out, mask), c.params, iterations);
    reference::Run(r, FrameOf(c.in, expected, mask), c.params, iterations);
    ASSERT_EQ(out.pixels, expected.pixels) << label << " call " << call;
    ASSERT_EQ(m.module.rng.state, r.rng.state) << label << " call " << call;
    ASSERT_EQ(m.module.previewState, r.previewState) << label;
    if constexpr (std::is_same_v<Module, IceModule>) {
      ASSERT_EQ(m.state.wobblePhase, r.wobblePhase) << label << " call " << call;
    }
    const WorkingFields& f = m.fields();
    ASSERT_EQ(f.held(), !r.mainField.empty()) << label;
    if (!f.held()) continue;
    auto same = [&](const uint8_t* field, const std::vector<uint8_t>& want) {
      return std::vector<uint8_t>(field, field + f.bytes) == want;
    };
    ASSERT_TRUE(same(f.mainField, r.mainField)) << label << " call " << call;
    ASSERT_TRUE(same(f.sourceField, r.sourceField)) << label << " call " << call;
    ASSERT_TRUE(same(f.dropletField, r.dropletField)) << label << " call " << call;
    ASSERT_TRUE(same(f.contourField, r.contourField)) << label << " call " << call;
  }
}

template <typename Module>
void CompareRandomCalls(uint32_t seed, int count) {
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    std::mt19937 g(seed);
    for (int i = 0; i < count; ++i) {
      const RandomCall c = MakeRandomCall<Module>(g);
      ExpectSameAsTheReference<Module>(
          c, std::string(set->name) + " case " + std::to_string(i) + " " +
                 std::to_string(c.in.width) + "x" + std::to_string(c.in.height) + "x" +
                 std::to_string(c.in.planes) + (c.preview ? " preview" : " final"));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

}  // namespace zar::testing
