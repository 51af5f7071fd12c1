#include "effects/field/field_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/zmath.h"
#include "effects/field/field_kernels.h"
#include "platform/platform.h"

namespace zar {

namespace {

constexpr int kImageModeRgb = 3;

// 1/510, the displacement per unit of radius and strip extent.
constexpr double kDisplacementScale = 0.00196078431372549;
// One degree in radians, as the engines have always used it.
constexpr double kRadiansPerDegree = 0.01745328888888889;

uint8_t* FieldRow(uint8_t* field, int32_t P, int32_t r) { return field + ptrdiff_t(r) * P; }
const uint8_t* FieldRow(const uint8_t* field, int32_t P, int32_t r) {
  return field + ptrdiff_t(r) * P;
}

// Copies `bytes` bytes of each of `rows` rows from the input to the output, each side with its
// own row stride.
void CopyRows(const FrameView& frame, int64_t rows, int64_t bytes) {
  if (bytes <= 0 || frame.in == nullptr || frame.out == nullptr) return;
  for (int64_t y = 0; y < rows; ++y)
    std::memmove(frame.out + y * frame.outRowBytes, frame.in + y * frame.inRowBytes, size_t(bytes));
}

// trunc(d + 0.5) as a cell offset. Offsets beyond the field's size land nowhere whatever their
// size, so they are held to +-limit, which keeps the arithmetic in range.
int32_t CellOffset(float d, int32_t limit) {
  const double v = std::trunc(double(d) + 0.5);
  if (std::isnan(v)) return 0;
  if (v < -limit) return -limit;
  if (v > limit) return limit;
  return int32_t(v);
}

// Where the sources of image pixel (x, y) land: cell (x + ox + 2, y + oy + 3).
struct CellShift {
  int32_t ox, oy;
  bool operator==(const CellShift&) const = default;
};

CellShift SourceOffsets(float dx, float dy, const FieldExtents& e) {
  return {CellOffset(dx, e.P), CellOffset(dy, e.R)};
}

// ---- sources --------------------------------------------------------------------------------

// Whether a pixel can be a source: always with 3 planes, with 4 when its fourth byte is set, with
// 5 when its fourth or fifth byte is.
template <int planes>
bool Opaque(const uint8_t* px) {
  if constexpr (planes == 4) return px[3] != 0;
  if constexpr (planes == 5) return (px[3] | px[4]) != 0;
  return true;
}

// Where the sources of image columns [x0, x1) land: cell (x + ox + 2, y + oy + 3).
struct SourceSpan {
  uint8_t* field;
  int32_t ox, oy;
  int32_t x0, x1;
  uint8_t flip;  // 255 inverts the brightness
};

template <int planes>
void SelectionSources(const FrameView& frame, const FieldExtents& e, const SourceSpan& s) {
  const field_kernels::KernelSet& kernels = field_kernels::ActiveKernels();
  for (int32_t y = 0; y < e.H; ++y) {
    const int32_t ty = y + s.oy + 3;
    if (ty < 0 || ty >= e.R) continue;
    const uint8_t* mask = frame.mask + ptrdiff_t(y) * frame.maskRowBytes;
    const uint8_t* in = frame.in + ptrdiff_t(y) * frame.inRowBytes;
    uint8_t* cells = FieldRow(s.field, e.P, ty) + 2;
    if constexpr (planes == 3) {
      if (s.x1 > s.x0) kernels.selection(cells + s.x0 + s.ox, mask + s.x0, s.x1 - s.x0);
    } else {
      for (int32_t x = s.x0; x < s.x1; ++x)
        if (mask[x] != 0 && Opaque<planes>(in + ptrdiff_t(x) * planes)) cells[x + s.ox] = 255;
    }
  }
}

template <int planes>
void BrightnessSources(const FrameView& frame, const FieldExtents& e, const SourceSpan& s) {
  const field_kernels::KernelSet& kernels = field_kernels::ActiveKernels();
  for (int32_t y = 2; y <= e.H - 3; ++y) {
    const int32_t ty = y + s.oy + 3;
    if (ty < 0 || ty >= e.R) continue;
    const uint8_t* in = frame.in + ptrdiff_t(y) * frame.inRowBytes;
    uint8_t* cells = FieldRow(s.field, e.P, ty) + 2;
    if constexpr (planes == 3) {
      if (s.x1 > s.x0)
        kernels.brightness3(cells + s.x0 + s.ox, in + ptrdiff_t(s.x0) * 3, s.x1 - s.x0, s.flip);
    } else {
      for (int32_t x = s.x0; x < s.x1; ++x) {
        const uint8_t* px = in + ptrdiff_t(x) * planes;
        if (Opaque<planes>(px)) cells[x + s.ox] = std::max({px[0], px[1], px[2]}) ^ s.flip;
      }
    }
  }
}

// ---- compositing ----------------------------------------------------------------------------

struct Ink {
  uint8_t red, green, blue;
  float V;  // the colour's strength, in single precision
};

uint8_t Mix(double U, float V, uint8_t pixel, uint8_t colour) {
  return uint8_t(U * pixel + double(V) * colour);
}

uint8_t Coverage(float V) { return uint8_t(double(V) * 255 + 0.5); }

template <int planes>
void BlendPixel(uint8_t* px, const Ink& ink) {
  const double U = 1.0 - double(ink.V);
  auto blend = [&] {
    px[0] = Mix(U, ink.V, px[0], ink.red);
    px[1] = Mix(U, ink.V, px[1], ink.green);
    px[2] = Mix(U, ink.V, px[2], ink.blue);
  };
  auto paint = [&] {
    px[0] = ink.red;
    px[1] = ink.green;
    px[2] = ink.blue;
  };
  if constexpr (planes == 3) {
    blend();
  } else if constexpr (planes == 4) {
    if (px[3] != 0) {
      blend();
      px[3] = 255;
    } else {
      paint();
      px[3] = Coverage(ink.V);
    }
  } else {
    if (px[3] != 0)
      paint();
    else
      blend();
    px[3] = Coverage(ink.V);
    px[4] = 255;
  }
}

// gate 0: only where the sources are set; 1: only where they are not; 2: everywhere.
template <int planes, int gate>
void CompositeRows(const FrameView& frame, const FieldExtents& e, const uint8_t* mainField,
                   const uint8_t* sourceField, const Ink* inks) {
  for (int32_t j = 1; j < e.H; ++j) {
    const uint8_t* cells = FieldRow(mainField, e.P, j + 4) + 2;
    const uint8_t* sources = FieldRow(sourceField, e.P, j + 4) + 2;
    uint8_t* out = frame.out + ptrdiff_t(j) * frame.outRowBytes;
    for (int32_t i = 0; i < e.w; ++i) {
      const uint8_t v = cells[i];
      if (v == 0) continue;
      if (gate == 0 && sources[i] == 0) continue;
      if (gate == 1 && sources[i] != 0) continue;
      BlendPixel<planes>(out + ptrdiff_t(i) * planes, inks[v]);
    }
  }
}

template <int planes>
void CompositeGated(const FrameView& frame, const FieldExtents& e, const uint8_t* mainField,
                    const uint8_t* sourceField, const Ink* inks, int maskMode) {
  if (maskMode == 0)
    CompositeRows<planes, 0>(frame, e, mainField, sourceField, inks);
  else if (maskMode == 1)
    CompositeRows<planes, 1>(frame, e, mainField, sourceField, inks);
  else
    CompositeRows<planes, 2>(frame, e, mainField, sourceField, inks);
}

}  // namespace

// ---- fields and extents ---------------------------------------------------------------------

bool AllocateFields(WorkingFields& fields, int64_t pitch, int64_t rows) {
  ReleaseFields(fields);
  if (pitch <= 0 || rows <= 0 || pitch > kMaxFieldBytes / rows) return false;
  const size_t bytes = size_t(pitch * rows);
  uint8_t** all[4] = {&fields.sourceField, &fields.mainField, &fields.dropletField,
                      &fields.contourField};
  fields.bytes = bytes;
  for (uint8_t** field : all) {
    *field = static_cast<uint8_t*>(platform::PageAlloc(bytes));
    if (*field == nullptr) {
      ReleaseFields(fields);
      return false;
    }
  }
  fields.pitch = int32_t(pitch);
  fields.rows = int32_t(rows);
  return true;
}

void ReleaseFields(WorkingFields& fields) {
  uint8_t** all[4] = {&fields.sourceField, &fields.mainField, &fields.dropletField,
                      &fields.contourField};
  for (uint8_t** field : all) {
    if (*field != nullptr) platform::PageFree(*field, fields.bytes);
    *field = nullptr;
  }
  fields.pitch = fields.rows = 0;
  fields.bytes = 0;
}

ExtentsResult ComputeExtents(const FrameView& frame, FieldExtents& e) {
  e = FieldExtents{};
  if (frame.planes <= 0 || frame.in == nullptr || frame.out == nullptr)
    return ExtentsResult::kNothing;
  const int32_t planes = frame.planes;
  e.W = std::max(frame.outRowBytes, 0) / planes;
  e.w = std::min(frame.width, e.W);
  e.H = frame.height;
  if (e.w <= 0 || e.H <= 0) return ExtentsResult::kNothing;
  e.inWidth = std::min(std::max(frame.inRowBytes, 0) / planes, e.w);
  e.maskWidth = frame.mask ? std::min(std::max(frame.maskRowBytes, 0), e.w) : 0;
  const int64_t P = int64_t(e.W) + 4, R = int64_t(e.H) + 5;
  if (P > kMaxFieldBytes / R) return ExtentsResult::kTooLarge;
  e.P = int32_t(P);
  e.R = int32_t(R);
  e.N = e.w + 4;
  return ExtentsResult::kRender;
}

int StepDirection(int flameDirection) {
  if (flameDirection < 0 || flameDirection > 7) return flameDirection;
  return (4 - flameDirection + 8) % 8;
}

SourceShift DisplacementOfStep(const WorkingParameters& params, const FieldExtents& e,
                               int32_t iterationCount, int32_t k, bool runningPreview) {
  const float Q = float(double(int64_t(params.radius) * std::max(e.w, e.H)) * kDisplacementScale);
  const double theta = -double(params.rotation) * kRadiansPerDegree;
  const float q = runningPreview || iterationCount <= 0
                      ? Q
                      : float(double(iterationCount - k) * Q / iterationCount);
  return {float(zmath::Cos(theta) * q), float(zmath::Sin(theta) * q)};
}

// ---- the operations -------------------------------------------------------------------------

void BuildSourceField(const FrameView& frame, const FieldExtents& e, uint8_t* sourceField, float dx,
                      float dy, bool maskInvert) {
  const int planes = frame.planes;
  if (planes < 3 || planes > 5) return;
  const CellShift shift = SourceOffsets(dx, dy, e);
  const int32_t ox = shift.ox, oy = shift.oy;
  // Target column x + ox + 2 must lie in [0, P), target row y + oy + 3 in [0, R).
  auto columns = [&](int32_t from, int32_t to) {
    return std::pair{std::max(from, -ox - 2), std::min(to, e.P - ox - 2)};
  };
  if (frame.mask != nullptr) {
    // A selection: 255 wherever it is set, over the whole strip; maskInvert plays no part.
    const auto [x0, x1] = columns(0, std::min(e.maskWidth, planes == 3 ? e.w : e.inWidth));
    const SourceSpan span{sourceField, ox, oy, x0, x1, 0};
    if (planes == 3) return SelectionSources<3>(frame, e, span);
    if (planes == 4) return SelectionSources<4>(frame, e, span);
    return SelectionSources<5>(frame, e, span);
  }
  // No selection: the brightness of the pixels at least two away from the strip's edges.
  const auto [x0, x1] = columns(2, std::min(e.W - 2, e.inWidth));
  const SourceSpan span{sourceField, ox, oy, x0, x1, uint8_t(maskInvert ? 255 : 0)};
  if (planes == 3) return BrightnessSources<3>(frame, e, span);
  if (planes == 4) return BrightnessSources<4>(frame, e, span);
  BrightnessSources<5>(frame, e, span);
}

void TraceContour(uint8_t* field, int32_t P, int32_t R) {
  // A cell is marked with 1 when it and its right, lower and lower-right neighbours are above 1
  // and its left and upper neighbours are nonzero; then every 1 is cleared. A mark only ever
  // replaces a value above 1, so a marked left or upper neighbour still counts as nonzero and the
  // marks can all be taken from the values before the scan. Each row's 1s are cleared once the
  // row below it has been marked, the last time the row is read.
  field_kernels::ActiveKernels().traceContour(field, field, P, R);
}

void TraceContourInto(const uint8_t* src, uint8_t* dst, int32_t P, int32_t R) {
  field_kernels::ActiveKernels().traceContour(src, dst, P, R);
}

void DropDroplets(uint8_t* dropletField, const uint8_t* S, int32_t P, int32_t R, Rng& rng) {
  const int32_t a = P / 50 + 1, e = R / 30 + 1;
  const int32_t nx = P / a, ny = R / e;
  for (int n = 0; n < 4; ++n) {
    const int32_t gx = rng.Next() % nx;
    const int32_t gy = rng.Next() % ny;
    // Only cells with 1 < c < P - 2 and 1 < r < R - 2.
    const int32_t c0 = std::max(a * gx, 2), c1 = std::min(a * gx + a, P - 2);
    const int32_t r0 = std::max(e * gy, 2), r1 = std::min(e * gy + e, R - 2);
    for (int32_t r = r0; r < r1; ++r) {
      uint8_t* drops = FieldRow(dropletField, P, r);
      const uint8_t* sources = FieldRow(S, P, r);
      for (int32_t c = c0; c < c1; ++c)
        drops[c] = std::min<uint8_t>(200, std::max(drops[c], sources[c]));
    }
  }
  // The drip: rows taken upward, each writing the row below it, so every value comes from the
  // field as it was before.
  field_kernels::ActiveKernels().drip(dropletField, P, R);
}

void MergeDroplets(uint8_t* mainField, const uint8_t* dropletField, const FieldExtents& e) {
  const field_kernels::KernelSet& kernels = field_kernels::ActiveKernels();
  if (e.N == e.P) return kernels.mergeDroplets(mainField, dropletField, ptrdiff_t(e.P) * e.R);
  for (int32_t r = 0; r < e.R; ++r)
    kernels.mergeDroplets(FieldRow(mainField, e.P, r), FieldRow(dropletField, e.P, r), e.N);
}

CoolingTable MakeCoolingTable(int64_t t, int64_t u, int h) {
  t = std::max<int64_t>(t, 0);
  u = std::max<int64_t>(u, 0);
  CoolingTable table;
  const int64_t loss = h % (u + 1);
  for (int v = 0; v < 256; ++v) {
    int64_t after = v;
    if (v > t)
      after = v - t;
    else if (v > u)
      after = v - loss;
    table.after[v] = uint8_t(after);
  }
  // No cell exceeds 255; the loss only applies above u, so it matters only below 255.
  table.thresholds = {uint8_t(std::min<int64_t>(t, 255)), uint8_t(std::min<int64_t>(u, 255)),
                      uint8_t(std::min<int64_t>(loss, 255))};
  return table;
}

void DirectionalPass(uint8_t* mainField, const FieldExtents& e, int d,
                     const CoolingTable& cooling) {
  // A direction above 7 moves and cools nothing.
  if (d < 0 || d > 7) return;
  field_kernels::ActiveKernels().directionalPass(mainField, e.P, e.R, e.N, d, cooling.thresholds);
}

void BeginDirectionalPass(DirectionalPassInPieces& pass, uint8_t* mainField, const FieldExtents& e,
                          int d, const CoolingTable& cooling) {
  pass.rows = {mainField,
               e.P,
               e.R,
               e.N,
               d,
               cooling.thresholds,
               {pass.copies[0], pass.copies[1], pass.copies[2]},
               0};
  const bool upward = d == 0 || d == 1 || d == 7;
  if (d < 0 || d > 7 || (upward && e.N > DirectionalPassInPieces::kCopyWidth)) {
    DirectionalPass(mainField, e, d, cooling);
    pass.rows.next = e.R;  // nothing left to visit
  }
}

void AdvanceDirectionalPass(DirectionalPassInPieces& pass, int32_t upTo) {
  if (pass.rows.next > 0 && pass.rows.next > pass.rows.R - 2) return;
  field_kernels::ActiveKernels().advancePass(pass.rows, upTo);
}

void ClearBorder(uint8_t* mainField, int32_t P, int32_t R) {
  for (int32_t r : {0, 1, 2, R - 2, R - 1})
    if (r >= 0 && r < R) std::memset(FieldRow(mainField, P, r), 0, size_t(P));
  for (int32_t r = 0; r < R; ++r) {
    uint8_t* row = FieldRow(mainField, P, r);
    row[0] = row[1] = row[P - 2] = row[P - 1] = 0;
  }
}

void CompositeField(const FrameView& frame, const FieldExtents& e, const uint8_t* mainField,
                    const uint8_t* sourceField, const FirePalette& palette, int alpha,
                    int maskMode) {
  if (frame.planes < 3 || frame.planes > 5) return;
  Ink inks[256] = {};
  for (int v = 1; v < 256; ++v) {
    const HeatColour c = SelectHeatColour(v, palette, alpha);
    inks[v] = {c.red, c.green, c.blue, float(c.strength)};
  }
  if (frame.planes == 3)
    CompositeGated<3>(frame, e, mainField, sourceField, inks, maskMode);
  else if (frame.planes == 4)
    CompositeGated<4>(frame, e, mainField, sourceField, inks, maskMode);
  else
    CompositeGated<5>(frame, e, mainField, sourceField, inks, maskMode);
}

// ---- the engine run -------------------------------------------------------------------------

void RunFieldEngine(const FrameView& frame, const WorkingParameters& params, int32_t iterationCount,
                    int32_t& previewState, ColorRamp& colorRamp, Rng& rng, WorkingFields& fields,
                    const FieldEngineVariant& variant) {
  if (frame.imageMode != kImageModeRgb) {
    frame.WarnNotRgb();
    const int64_t bytes = std::min({int64_t(frame.width) * frame.planes, int64_t(frame.outRowBytes),
                                    int64_t(frame.inRowBytes)});
    CopyRows(frame, frame.height, bytes);
    return;
  }
  FieldExtents e;
  const ExtentsResult extents = ComputeExtents(frame, e);
  if (extents == ExtentsResult::kNothing) return;
  // The blend starts from a copy of the input.
  CopyRows(frame, e.H, int64_t(e.inWidth) * frame.planes);

  FirePalette palette;
  BuildFirePalette(palette, colorRamp, params.colorMode, params.rampColors, params.rampPosition1,
                   params.rampPosition2);

  // A final rendering and a starting preview begin from empty fields; a running preview goes on
  // with the kept ones (fresh ones only if the picture's geometry changed under it).
  const bool geometryChanged = fields.held() && (fields.pitch != e.P || fields.rows != e.R);
  const bool freshFields = previewState != 1 || geometryChanged;
  if (freshFields) {
    ReleaseFields(fields);
    const bool allocated = extents == ExtentsResult::kRender && AllocateFields(fields, e.P, e.R);
    if (previewState == 2) previewState = 1;
    if (!allocated) {
      if (extents == ExtentsResult::kRender) frame.OutOfMemory();
      return;
    }
  } else if (!fields.held()) {
    return;
  }

  const int d = StepDirection(params.flameDirection);
  // The step's sources: the contour copy with mask mode "in", else the source field.
  const uint8_t* const S = params.maskMode == 0 ? fields.contourField : fields.sourceField;
  const FieldStepArgs args{fields.mainField, S, fields.dropletField, e, d, params, rng};
  // Whether the source field is all zero (fresh fields are), and the displacement of the
  // sources it holds when they were built on a cleared field. Within one call the picture and
  // the parameters stay the same, so sources built again with the same displacement are the same
  // bytes: whether on a cleared field, or over the same sources (every cell those hold lies
  // among the cells the building writes). Such a feed is skipped.
  bool sourcesClear = freshFields;
  bool sourcesKnown = false;
  CellShift sourcesShift{0, 0};
  auto feed = [&](float dx, float dy, bool clearFirst) {
    const CellShift shift = SourceOffsets(dx, dy, e);
    if (sourcesKnown && shift == sourcesShift) return;
    if (clearFirst && !sourcesClear) std::memset(fields.sourceField, 0, fields.bytes);
    BuildSourceField(frame, e, fields.sourceField, dx, dy, params.maskInvert != 0);
    if (params.maskMode == 3) TraceContour(fields.sourceField, e.P, e.R);
    if (params.maskMode == 0) TraceContourInto(fields.sourceField, fields.contourField, e.P, e.R);
    sourcesClear = false;
    sourcesKnown = clearFirst;
    sourcesShift = shift;
  };
  auto drop = [&](int32_t k) {
    if (params.maskDroplet == 0) return;
    if (variant.reseedDroplets) rng.Seed(uint32_t(k));
    DropDroplets(fields.dropletField, S, e.P, e.R, rng);
  };
  auto step = [&] { variant.stepField(args, variant.context); };

  for (int32_t k = 0; k < iterationCount; ++k) {
    if (previewState != 1) frame.ReportProgress(k, iterationCount);
    if (frame.Cancelled()) {
      if (previewState != 1) ReleaseFields(fields);
      return;
    }
    const SourceShift shift = DisplacementOfStep(params, e, iterationCount, k, previewState == 1);
    feed(shift.dx, shift.dy, true);
    drop(k);
    step();
    if (previewState == 1) {
      // The preview's step: the undisplaced sources written over the displaced ones, and two
      // more steps on them.
      feed(0, 0, false);
      drop(k);
      step();
      step();
    }
    ClearBorder(fields.mainField, e.P, e.R);
  }

  CompositeField(frame, e, fields.mainField, fields.sourceField, palette, params.alpha,
                 params.maskMode);
  if (previewState != 1) ReleaseFields(fields);
}

}  // namespace zar
