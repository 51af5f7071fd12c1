// The Combustion engine: a burning transition. A transition mask clears part of the picture behind
// a moving edge ("Blend", "Page", "Hole", "Gate", advanced by the phase); a flame simulation on a
// byte field of heat values is seeded along that edge; the field is then coloured through the
// palette over the masked picture.
//
// The engine is pure: it works on a frame view, the working copy of the settings, the module's
// colour ramp and the module's generator, and keeps nothing between calls except the generator's
// state. Every named step is a function of its own so it can be tested on plain buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/frame.h"
#include "effects/palette/palette.h"
#include "settings/parameters.h"
#include "base/rng.h"

namespace zar::combustion {

// effectMode
constexpr int kBlend = 0;
constexpr int kPage = 1;
constexpr int kHole = 2;
constexpr int kGate = 3;

// effectDirection and flameDirection
constexpr int kTop = 0;
constexpr int kLeftTop = 1;
constexpr int kLeft = 2;
constexpr int kLeftBtm = 3;
constexpr int kBottom = 4;
constexpr int kRightBtm = 5;
constexpr int kRight = 6;
constexpr int kRightTop = 7;

// The engine's constants, to six decimals as the effect has always used them.
constexpr double kPi = 3.141592;
constexpr double kTwoPi = 6.283184;
constexpr double kEdgeWave = 7.5398208;  // 2.4 pi

// How far the transition has advanced, in single precision: phase / 100, and for "Gate"
// 1 - phase / 100.
float PhaseFactor(int effectMode, int phase);

// ---- the transition front ----------------------------------------------------------------------

// The parts of a front position that depend only on the position p along an extent A (and on
// whether the edge runs across rows or columns), so a caller that evaluates many fronts over the
// same positions computes the trigonometry once.
struct EdgeTerms {
  double t;   // p / A, held in single precision
  double s;   // the slow wave
  double p;   // the page curl before it is scaled by m squared
  double q;   // the bulge before it is scaled by m squared (0 where it does not apply)
  double cv;  // the ripple
};

EdgeTerms EdgeFrontTermsAt(int p, int A, int direction);
int EdgeFrontFromTerms(const EdgeTerms& terms, double m, int A, int B, int direction);

// The parts of a front position that depend only on the phase m, the extents and the direction,
// so a caller that evaluates one front at many positions computes them once. EdgeFrontAt gives
// exactly EdgeFrontFromTerms.
struct EdgeFront {
  double m, m2;
  double a, ripple;  // 0.2 B in single precision, and a / 35
  double lift;       // what the phase adds: (a + A) m, (a + B) m or (2B + a) m by direction
  double B, limit;   // the front's result lies in 0 .. limit - 1
  int direction;     // above 7 (or below 0): every position gives 0
  bool empty;        // A <= 0: every position gives -1
};

EdgeFront PrepareEdgeFront(double m, int A, int B, int direction);
int EdgeFrontAt(const EdgeTerms& terms, const EdgeFront& front);

// The transition front at position p along an edge of extent A (B the other extent) for phase m:
// a row (or, for "Left" and "Right", a column) index, -1 when the front lies before the picture,
// -2 when it lies past it. Any direction above 7 gives 0.
int EdgeFrontPosition(int p, double m, int A, int B, int direction);

// The flower-shaped radius factor of "Hole" and "Gate" at angle theta.
double IrisRadiusFactor(double theta, double m);

// The first fill and the transition mask: fills the destination from the source (copy, clear or leave)
// for m, then copies or clears every pixel by effectMode and effectDirection.
void ApplyTransitionMask(const FrameView& frame, int effectMode, int effectDirection, float m);

// ---- the flame field ---------------------------------------------------------------------------

// One byte of heat per cell, (W + 4) columns by (H + 5) rows; heat cell (r + 1, c + 2) lies under
// image pixel (r, c). The rows 0, 1, 2, H + 3, H + 4 and the columns 0, 1, W + 2, W + 3 form a
// frame that is cleared after every step.
struct HeatField {
  uint8_t* cells = nullptr;
  int32_t width = 0;   // W + 4
  int32_t height = 0;  // H + 5
  size_t bytes = 0;

  uint8_t* Row(int y) { return cells + ptrdiff_t(y) * width; }
  const uint8_t* Row(int y) const { return cells + ptrdiff_t(y) * width; }
};

// Sides beyond this make the field fail like a failed allocation.
constexpr int32_t kMaxFieldSide = 1 << 24;

// Takes a cleared field for a W x H picture from the system's pages. False (and nothing held)
// when the pages cannot be had or the size is absurd.
bool AllocateHeatField(HeatField& field, int32_t W, int32_t H);
void ReleaseHeatField(HeatField& field);
void ClearHeatField(HeatField& field);
void ClearHeatFieldFrame(HeatField& field);

// The settings one simulation step reads.
struct FlameSettings {
  uint8_t oxygen = 0;
  uint8_t gravity = 0;
  uint8_t viscosity = 0;
  uint8_t fuel = 0;
  uint8_t effectDirection = 0;
  uint8_t flameDirection = 0;
};

FlameSettings FlameSettingsFrom(const WorkingParameters& params);

// The lower cooling threshold: cells at or below it keep their heat, cells above it and at most
// oxygen lose a random amount up to it.
int LowerCoolingThreshold(int gravity, int oxygen);

// One sweep of the flames one cell in flameDirection, in place, with cooling. Draws one random
// number. A flameDirection above 7 moves and cools nothing.
void PropagateFlames(HeatField& field, const FlameSettings& settings, Rng& rng);

// The front positions of one run's edge seeding, computed once: terms for p = 0 .. count - 1
// along the extent W + 4, and the positions of one front that every step of a phase seeds
// along again (FixEdgeFront). Kept in the system's pages like the field.
struct EdgeProfile {
  EdgeTerms* terms = nullptr;
  int32_t* fixedPositions = nullptr;  // EdgeFrontPosition(p, fixedFront, W + 4, H + 5, direction)
  double fixedFront = 0;
  bool hasFixedFront = false;
  int32_t count = 0;
  size_t bytes = 0;
};

bool BuildEdgeProfile(EdgeProfile& profile, int32_t W, int32_t H, int effectDirection);
void FixEdgeFront(EdgeProfile& profile, double front, int32_t W, int32_t H, int effectDirection);
void ReleaseEdgeProfile(EdgeProfile& profile);

// One simulation step of "Blend" and "Page": propagation, then new flames seeded along the edge
// at `front`. The frame supplies the source pixels, planes and selection the seeding tests. The
// profile (null: computed on the spot) must come from BuildEdgeProfile for the same frame and
// direction.
void FlameStepEdge(HeatField& field, double front, const FlameSettings& settings,
                   const FrameView& frame, Rng& rng, const EdgeProfile* profile = nullptr);

// One simulation step of "Hole" and "Gate": propagation, then new flames seeded along the iris.
void FlameStepIris(HeatField& field, float m, const FlameSettings& settings, const FrameView& frame,
                   Rng& rng);

enum class CompositeForm { kFirst, kSecond };

// Colours the destination from the field through the palette (image rows 1 .. H - 1).
void CompositeHeat(const FrameView& frame, const HeatField& field, const FirePalette& palette,
                   int alpha, CompositeForm form);

// The whole effect on one frame.
void RunCombustion(const FrameView& frame, const WorkingParameters& params, ColorRamp& ramp,
                   Rng& rng);

}  // namespace zar::combustion
