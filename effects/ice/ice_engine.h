// The Ice and Candle engine: the field fed from the picture's brightness (or the selection's
// shape) by rows of discs, drifting in the chosen direction and coloured through the palette.
#pragma once

#include <cstdint>

#include "effects/field/field_engine.h"

namespace zar {

// What an Ice or Candle module keeps between calls: the fields of a running preview and the
// phase of the disc window's wobble, which lives as long as the module.
struct IceEngineState {
  WorkingFields fields;
  float wobblePhase = 0;
};

// The per-step values, scaled by the strip's field rows R.
struct IceStepConstants {
  int64_t t;   // cooling step: height * R / 255
  int64_t u;   // random-cooling threshold: smooth * R / 255
  int64_t wv;  // disc size: width * R / 255
  int64_t av;  // wobble: amplitude * R / 255
  int64_t D;   // wobble reach: wv * av / 100, from below
  int64_t E;   // smallest disc radius: wv / 2
  float dPhi;  // phase advance per band: velocity / 10000
};
IceStepConstants ComputeIceStepConstants(const WorkingParameters& params, int32_t R);

// Stamps the sources back into mainField through bands of discs. Every band restarts the
// generator with 0, so the discs lie in the same columns in every band; only the window that
// keeps part of each disc wobbles with the phase.
void FeedDiscs(uint8_t* mainField, const uint8_t* S, const FieldExtents& extents,
               const IceStepConstants& c, int space, Rng& rng, float& wobblePhase);

// One simulation step: the directional pass with its cooling, the disc feeding and the droplets.
void IceStepField(const FieldStepArgs& args, float& wobblePhase);

// One call of the engine (see RunFieldEngine for the run modes).
void RunIceEngine(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount,
                  int32_t& previewState, ColorRamp& colorRamp, Rng& rng, IceEngineState& state);

}  // namespace zar
