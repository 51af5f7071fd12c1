// The field engines written the plain way, a cell at a time in the order the engines describe,
// with a draw from the generator wherever the engines draw: the yardstick the fast engines are
// checked against, byte for byte and draw for draw.
#pragma once

#include <cstdint>
#include <vector>

#include "base/frame.h"
#include "effects/field/field_engine.h"
#include "settings/parameters.h"
#include "base/rng.h"

namespace zar::reference {

// The directional pass of direction d over rows 1..R-2 and columns 1..N-2, in its scan order:
// each cell gives its target the mean of four cells, then cools (above t by t, else above u by
// h mod (u + 1)).
void DirectionalPass(uint8_t* field, int32_t P, int32_t R, int32_t N, int d, int64_t t, int64_t u,
                     int h);

// Marks (1) every cell whose own, right, lower and lower-right values are above 1 and whose left
// and upper ones are nonzero, reading the field as it goes; then clears every 1.
void TraceContour(uint8_t* field, int32_t P, int32_t R);

void DropDroplets(uint8_t* drops, const uint8_t* S, int32_t P, int32_t R, Rng& rng);
void MergeDroplets(uint8_t* mainField, const uint8_t* drops, const FieldExtents& e);

void BuildSourceField(const FrameView& frame, const FieldExtents& e, uint8_t* sourceField, float dx,
                      float dy, bool maskInvert);

// Ice and Candle: the bands of discs, each cell tested against its disc.
void FeedDiscs(uint8_t* mainField, const uint8_t* S, const FieldExtents& e,
               const WorkingParameters& p, Rng& rng, float& wobblePhase);
void IceStep(uint8_t* mainField, const uint8_t* S, const uint8_t* drops, const FieldExtents& e,
             int d, const WorkingParameters& p, Rng& rng, float& wobblePhase);

// Fire and Cryo: the blobs (each value worked out for its cell), the pass inside the sources.
void FeedBlobs(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int fuel, Rng& rng);
void SourcePass(uint8_t* mainField, const uint8_t* S, const FieldExtents& e, int viscosity,
                Rng& rng);
void FireStep(uint8_t* mainField, const uint8_t* S, const uint8_t* drops, const FieldExtents& e,
              int d, const WorkingParameters& p, Rng& rng);

// A module of either engine: its state between calls.
struct Module {
  bool ice = true;
  Rng rng{};
  ColorRamp colorRamp{};
  int32_t previewState = 0;
  float wobblePhase = 0;
  std::vector<uint8_t> sourceField, mainField, dropletField, contourField;  // empty: not held
  int32_t P = 0, R = 0;
};

// One engine call (final rendering, starting or running preview), every step from scratch.
void Run(Module& m, const FrameView& frame, const WorkingParameters& params,
         int32_t iterationCount);

}  // namespace zar::reference
