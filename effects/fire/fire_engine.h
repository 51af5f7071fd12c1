// The Fire and Cryo engine: the field of the Ice and Candle engine, fed instead by a lattice of
// pyramid-shaped blobs laid randomly onto the sources and steered by the flame parameters
// oxygen, gravity, viscosity and fuel. It never reseeds the generator, so its pictures continue
// the module's random sequence.
#pragma once

#include <cstdint>

#include "effects/field/field_engine.h"

namespace zar {

// What a Fire or Cryo module keeps between calls: the fields of a running preview.
struct FireEngineState {
  WorkingFields fields;
};

// The blob lattice of one step: rows G apart, columns G / 4 apart (at least 1), from fuel and
// the step's draw r5 (0..4).
struct BlobLattice {
  int32_t G;
  int32_t Gc;
};
BlobLattice LatticeOf(int fuel, int r5);

// The value of a blob of radius rho at (a, b) from its centre (each in -rho..rho-1): a pyramid
// of 255 at the centre falling linearly toward its left and upper edges.
int BlobValue(int rho, int a, int b);

// Lays the blobs: draws r5, then per lattice point a radius and a coin. A blob only raises
// mainField, and only on sources.
void FeedBlobs(uint8_t* mainField, const uint8_t* S, const FieldExtents& extents, int fuel,
               Rng& rng);
// Makes the draws of FeedBlobs without laying the blobs.
void SkipBlobs(const FieldExtents& extents, int fuel, Rng& rng);

// The pass inside the sources, column by column: at viscosity 255 each source cell keeps its
// source value or drops to 0 by a draw per cell (sources or not); below 255 each source cell is
// damped by ((viscosity >> 1) + 127) / 255.
void SourcePass(uint8_t* mainField, const uint8_t* S, const FieldExtents& extents, int viscosity,
                Rng& rng);

// One simulation step: the directional pass cooled by oxygen and gravity, the blobs, the pass
// inside the sources and the droplets.
void FireStepField(const FieldStepArgs& args);

// One call of the engine (see RunFieldEngine for the run modes).
void RunFireEngine(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount,
                   int32_t& previewState, ColorRamp& colorRamp, Rng& rng, FireEngineState& state);

}  // namespace zar
