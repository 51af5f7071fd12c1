// The cellular field machinery the Ice/Candle and Fire/Cryo engines share: the four working
// fields and their geometry, the run modes, the source building, the contour tracing, the
// droplets, the directional pass, the border clearing and the compositing. The two engines differ
// only in their simulation step, which they hand to RunFieldEngine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/frame.h"
#include "effects/field/field_kernels.h"
#include "effects/palette/palette.h"
#include "settings/parameters.h"
#include "base/rng.h"

namespace zar {

// The four working fields, all of one geometry: cell (c, r) lies at offset r * pitch + c. They
// come from the platform's page allocator, zero-filled.
struct WorkingFields {
  uint8_t* sourceField = nullptr;   // the sources of the current step
  uint8_t* mainField = nullptr;     // the simulated field, the only one that is coloured
  uint8_t* dropletField = nullptr;  // the droplets
  uint8_t* contourField = nullptr;  // the contour of the sources (mask mode "in")
  int32_t pitch = 0;                // P
  int32_t rows = 0;                 // R
  size_t bytes = 0;                 // P * R, the size of each field

  bool held() const { return mainField != nullptr; }
};

// The largest field the engines will try to allocate; larger sizes fail like an allocation
// failure (and keep every offset within 32 bits).
constexpr int64_t kMaxFieldBytes = int64_t(1) << 30;

// Allocates the four fields of pitch x rows bytes, zero-filled. On failure (or a size out of
// range) everything allocated is released and false is returned.
bool AllocateFields(WorkingFields& fields, int64_t pitch, int64_t rows);
void ReleaseFields(WorkingFields& fields);

// The extents of one call. Image pixel (x, y) of the strip is cell (x + 2, y + 3).
struct FieldExtents {
  int32_t W = 0;  // row stride in pixels: outRowBytes / planes
  int32_t w = 0;  // strip width, lowered to W
  int32_t H = 0;  // strip height
  int32_t P = 0;  // field pitch, W + 4
  int32_t R = 0;  // field rows, H + 5
  int32_t N = 0;  // field columns the step visits, w + 4
  // How much of each host row may be read: pixels of an input row (inRowBytes / planes) and mask
  // bytes of a mask row, each at most w.
  int32_t inWidth = 0;
  int32_t maskWidth = 0;
};

enum class ExtentsResult { kRender, kNothing, kTooLarge };

// kNothing: no pixels to render (no planes, an empty strip). kTooLarge: the fields could not be
// addressed; the call behaves as if their allocation failed.
ExtentsResult ComputeExtents(const FrameView& frame, FieldExtents& extents);

// The direction the field moves in, from flameDirection: 0 "Top" gives 4 (each cell pushes into
// the one above), 4 "Bottom" gives 0 (into the one below). A value above 7 is kept and makes the
// directional pass do nothing.
int StepDirection(int flameDirection);

// The displacement of the sources in step k, in cells: `radius` x (the larger of w and H) / 510
// in the direction `rotation` (degrees; 0 to the right, 90 upward). A final rendering shrinks it
// linearly from the full length in its first step to 1/iterationCount of it in its last; a
// running preview always uses the full length.
struct SourceShift {
  float dx, dy;
};
SourceShift DisplacementOfStep(const WorkingParameters& params, const FieldExtents& extents,
                               int32_t iterationCount, int32_t k, bool runningPreview);

// ---- the operations of a step ---------------------------------------------------------------

// Writes the sources of the strip into sourceField, displaced by (dx, dy) cells: with a
// selection, 255 wherever it is set (and the pixel is not transparent); without one, the
// brightness of each pixel away from the strip's edges (or its inverse with maskInvert).
void BuildSourceField(const FrameView& frame, const FieldExtents& extents, uint8_t* sourceField,
                      float dx, float dy, bool maskInvert);

// Clears the interior of every region of the field in place, keeping its outline.
void TraceContour(uint8_t* field, int32_t P, int32_t R);
// The same from `src` into `dst` (the whole field), leaving `src` as it is.
void TraceContourInto(const uint8_t* src, uint8_t* dst, int32_t P, int32_t R);

// Stamps four rectangles of the sources into dropletField (at most 200) at places drawn from the
// generator, then lets the droplets drip one row.
void DropDroplets(uint8_t* dropletField, const uint8_t* S, int32_t P, int32_t R, Rng& rng);

// Copies every droplet cell above 20 into mainField.
void MergeDroplets(uint8_t* mainField, const uint8_t* dropletField, const FieldExtents& extents);

// The cooling of one step: a value above t loses t; otherwise a value above u loses
// h mod (u + 1); otherwise it stays. Tabulated for the 256 cell values, and as thresholds for
// the vector kernels (t and u are at least 0; above 254 they are never exceeded).
struct CoolingTable {
  uint8_t after[256];
  field_kernels::Cooling thresholds;
};
CoolingTable MakeCoolingTable(int64_t t, int64_t u, int h);

// In place on mainField over rows 1..R-2 and columns 1..N-2, in the scan order of direction d:
// each cell first gives its target neighbour the mean of four cells (as they are at that moment),
// then cools.
void DirectionalPass(uint8_t* mainField, const FieldExtents& extents, int d,
                     const CoolingTable& cooling);

// The directional pass of a step made a band of rows at a time from the top down, so that what
// the step does next to a band of rows can follow right behind it while the rows are at hand.
// AdvanceDirectionalPass(pass, upTo) visits rows until rows [0, upTo) are done: the pass
// neither writes nor reads them again. The copies hold the rows the upward directions still
// read; fields wider than that get the whole pass at the start.
struct DirectionalPassInPieces {
  static constexpr int32_t kCopyWidth = 4096;
  field_kernels::PassRows rows;
  uint8_t copies[3][kCopyWidth];
};
void BeginDirectionalPass(DirectionalPassInPieces& pass, uint8_t* mainField,
                          const FieldExtents& extents, int d, const CoolingTable& cooling);
void AdvanceDirectionalPass(DirectionalPassInPieces& pass, int32_t upTo);

// Clears rows 0, 1, 2, R-2, R-1 and columns 0, 1, P-2, P-1.
void ClearBorder(uint8_t* mainField, int32_t P, int32_t R);

// Colours the strip's output through the palette where mainField is set, gated by maskMode
// (0 "in": only on the sources, 1 "out": only off them, otherwise everywhere).
void CompositeField(const FrameView& frame, const FieldExtents& extents, const uint8_t* mainField,
                    const uint8_t* sourceField, const FirePalette& palette, int alpha,
                    int maskMode);

// ---- the engine run -------------------------------------------------------------------------

// What one simulation step works on.
struct FieldStepArgs {
  uint8_t* mainField;
  const uint8_t* S;  // the step's sources
  const uint8_t* dropletField;
  const FieldExtents& extents;
  int stepDirection;
  const WorkingParameters& params;
  Rng& rng;
};

// The part of the engine that differs between Ice/Candle and Fire/Cryo.
struct FieldEngineVariant {
  bool reseedDroplets;  // restart the generator with the step number before the droplets
  void (*stepField)(const FieldStepArgs& args, void* context);
  void* context;
};

// One engine call over a strip or the preview picture. previewState 2 starts a preview on fresh
// fields and becomes 1; 1 continues on the kept fields with one step of three StepField calls; 0
// is a final rendering of iterationCount steps from fresh fields, which are released afterwards.
void RunFieldEngine(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount,
                    int32_t& previewState, ColorRamp& colorRamp, Rng& rng, WorkingFields& fields,
                    const FieldEngineVariant& variant);

}  // namespace zar
