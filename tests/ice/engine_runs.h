// Calls of the Ice/Candle and Fire/Cryo engines with a module of their own, for tests, the
// gallery and the benchmarks.
#pragma once

#include <cstdint>

#include "effects/ice/ice_engine.h"
#include "settings/plugin_table.h"
#include "tests/ice/engine_harness.h"

namespace zar::testing {

// An Ice or Candle module: its generator, ramp, previewState and engine state, as when just
// loaded.
struct IceModule {
  ModuleFixture module;
  IceEngineState state;

  IceModule() = default;
  IceModule(const IceModule&) = delete;
  IceModule& operator=(const IceModule&) = delete;
  ~IceModule() { ReleaseFields(state.fields); }

  void Run(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount) {
    RunIceEngine(frame, params, iterationCount, module.previewState, module.colorRamp, module.rng,
                 state);
  }
  WorkingFields& fields() { return state.fields; }

  // The deliverables that run this engine.
  static constexpr const PluginTable* kTables[2] = {&kIceTable, &kCandleTable};
};

// A final rendering of `in` (with an optional selection) in the given module.
template <typename Module>
Image RenderFinal(Module& m, const Image& in, const WorkingParameters& params,
                  const Image* mask = nullptr) {
  Image out = OutputFor(in);
  m.module.previewState = 0;
  m.Run(FrameOf(in, out, mask), params, params.iterations);
  return out;
}

// The same in a freshly loaded module.
template <typename Module>
Image RenderFresh(const Image& in, const WorkingParameters& params, const Image* mask = nullptr) {
  Module m;
  return RenderFinal(m, in, params, mask);
}

}  // namespace zar::testing
