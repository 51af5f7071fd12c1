// Calls of the Fire and Cryo engine with a module of its own, and the pinned renderings.
#pragma once

#include <vector>

#include "effects/fire/fire_engine.h"
#include "settings/plugin_table.h"
#include "tests/ice/engine_runs.h"
#include "tests/ice/pinned_cases.h"

namespace zar::testing {

// A Fire or Cryo module: its generator, ramp, previewState and engine state, as when just loaded.
struct FireModule {
  ModuleFixture module;
  FireEngineState state;

  FireModule() = default;
  FireModule(const FireModule&) = delete;
  FireModule& operator=(const FireModule&) = delete;
  ~FireModule() { ReleaseFields(state.fields); }

  void Run(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount) {
    RunFireEngine(frame, params, iterationCount, module.previewState, module.colorRamp, module.rng,
                  state);
  }
  WorkingFields& fields() { return state.fields; }

  // The deliverables that run this engine.
  static constexpr const PluginTable* kTables[2] = {&kFireTable, &kCryoTable};
};

inline const std::vector<PinnedCase>& FirePinnedCases() {
  static const std::vector<PinnedCase> cases = {
      {"fire-defaults", &kFireTable, [](WorkingParameters&) {}, Picture::kPhoto, "479bb16a213010c3"},
      {"cryo-defaults", &kCryoTable, [](WorkingParameters&) {}, Picture::kPhoto, "c124321bc25bd72c"},
      {"fire-selection", &kFireTable, [](WorkingParameters&) {}, Picture::kStructuredSelected,
       "6a57527903428a77"},
      {"cryo-selection", &kCryoTable, [](WorkingParameters&) {}, Picture::kStructuredSelected,
       "7d310f358ad71113"},
      {"fire-left-both", &kFireTable,
       [](WorkingParameters& p) {
         p.flameDirection = 2;
         p.maskMode = 2;
       },
       Picture::kPhoto, "49a60aa6d7e0dec7"},
      {"cryo-right-btm-in", &kCryoTable,
       [](WorkingParameters& p) {
         p.flameDirection = 5;
         p.maskMode = 0;
       },
       Picture::kStructured, "fd23adcc7df93dbb"},
      {"fire-droplets-selection", &kFireTable,
       [](WorkingParameters& p) {
         p.maskDroplet = 1;
         p.maskMode = 2;
       },
       Picture::kStructuredSelected, "772e0456dfb0eeb8"},
      {"fire-viscosity-254", &kFireTable, [](WorkingParameters& p) { p.viscosity = 254; },
       Picture::kPhoto, "14341662a46a0889"},
      {"cryo-out-invert", &kCryoTable,
       [](WorkingParameters& p) {
         p.maskMode = 1;
         p.maskInvert = 1;
       },
       Picture::kStructured, "957829b42b3454af"},
      {"fire-displaced", &kFireTable,
       [](WorkingParameters& p) {
         p.radius = 50;
         p.rotation = 90;
       },
       Picture::kStructuredSelected, "cdf377fab0f3d64f"},
      {"fire-four-planes", &kFireTable, [](WorkingParameters&) {}, Picture::kStructuredFourPlanes,
       "6db7bdfd5098ab13"},
  };
  return cases;
}

}  // namespace zar::testing
