#include "framework/filter_pass.h"

#include <algorithm>
#include <cmath>

#include "framework/plugin.h"
#include "framework/engine_frame.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "framework/plugin.h"

namespace zar {

namespace {

constexpr Fixed kRateOne = 0x00010000;
constexpr int16 kPadding = 255;

// The stored strip height. A block that lost its value (0 or negative, from a damaged block)
// counts as one row, so the pass always moves on.
int16 StripRows(const PluginGlobals& globals) {
  return std::max<int16>(BlockOf(globals).rowsPerStrip(), 1);
}

void ClearRequestRects(FilterRecord& record) {
  record.inRect = Rect16{};
  record.outRect = Rect16{};
  record.maskRect = Rect16{};
}

void RequestAllPlanes(FilterRecord& record) {
  record.inLoPlane = 0;
  record.outLoPlane = 0;
  record.inHiPlane = int16(record.planes - 1);
  record.outHiPlane = int16(record.planes - 1);
}

bool Aborted(const PluginGlobals& globals) {
  const FilterRecord& record = *globals.filterRecord;
  const bool abort = record.abortProc && (record.abortProc() & 0xFF) != 0;
  return abort || globals.result != kNoErr;
}

// A final rendering of the strip in hand. An engine stopped by the host's Cancel ends the pass
// as cancelled; one that could not have its memory, as out of memory, so that the host does not
// take the untouched strip for a result.
void RenderStrip(PluginGlobals& globals) {
  RunEngine(&globals, 1);
  switch (TakeEngineOutcome()) {
    case FrameOutcome::kDone: break;
    case FrameOutcome::kCancelled: globals.result = kUserCanceledErr; break;
    case FrameOutcome::kOutOfMemory: globals.result = kMemFullErr; break;
  }
}

// The row `rows` below `top`. Rectangles are 16-bit: a strip that would end past the last row
// the interface can name ends there instead of wrapping round to a negative row.
int16 RowBelow(int top, int rows) { return int16(std::min(top + rows, int(INT16_MAX))); }

void SetStripRows(Rect16& rect, int top, int rows) {
  rect.top = int16(top);
  rect.bottom = RowBelow(top, rows);
}

// The one-pass way: the whole filter rectangle, strip by strip, inside the start selector.
void StripPass(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  RequestAllPlanes(record);
  for (Rect16* rect : {&record.inRect, &record.outRect, &record.maskRect}) {
    rect->left = record.filterRect.left;
    rect->right = record.filterRect.right;
  }
  record.inputRate = kRateOne;
  record.maskRate = kRateOne;

  for (int top = record.filterRect.top; top < record.filterRect.bottom;) {
    if (Aborted(globals)) {
      globals.result = kUserCanceledErr;
      break;
    }
    const int rows = StripRows(globals);
    SetStripRows(record.inRect, top, rows);
    SetStripRows(record.outRect, top, rows);
    SetStripRows(record.maskRect, top, rows);
    globals.result = record.advanceState();
    if (globals.result != kNoErr) break;
    // The engine's extent never reaches past the image.
    record.outRect.bottom = std::min(record.outRect.bottom, record.imageSize.v);
    RenderStrip(globals);
    if (globals.result != kNoErr) break;
    top += StripRows(globals);
  }
  ClearRequestRects(record);
}

// The multi-call way: ask for the first strip; the host calls the continue selector per strip.
void RequestFirstStrip(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  RequestAllPlanes(record);
  record.inputRate = kRateOne;
  record.maskRate = kRateOne;
  record.inputPadding = kPadding;
  record.outputPadding = kPadding;
  record.maskPadding = kPadding;
  Rect16 first = record.filterRect;
  first.bottom = RowBelow(record.filterRect.top, StripRows(globals));
  record.inRect = first;
  record.outRect = first;
  record.maskRect = first;
}

}  // namespace

int64_t BytesPerFilterRow(const FilterRecord& record) {
  return (2 * int64_t(record.planes) + 1) *
         (int64_t(record.filterRect.right) - record.filterRect.left);
}

void DoPrepare(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  record.bufferSpace = 0;
  if (!EnsureParameters(globals)) return;
  ParameterBlock block = BlockOf(globals);
  const int64_t bytesPerRow = BytesPerFilterRow(record);
  const int64_t height = int64_t(record.filterRect.bottom) - record.filterRect.top;
  // Grow the strip to the host's memory budget; the stored value is never lowered.
  int64_t rows = block.rowsPerStrip();
  while (bytesPerRow * rows < record.maxSpace && rows < height && rows < INT16_MAX) ++rows;
  block.setRowsPerStrip(int16(rows));
  const int64_t wanted = bytesPerRow * rows;
  record.maxSpace = int32(std::clamp<int64_t>(wanted, INT32_MIN, INT32_MAX));
}

bool DoUI(PluginGlobals& globals) {
  if (globals.filterRecord->imageMode != kImageModeRGB) return false;
  return RunParameterDialog(globals);
}

void DoStart(PluginGlobals& globals) {
  if (!EnsureParameters(globals)) return;
  FilterRecord& record = *globals.filterRecord;
  ParameterBlock block = BlockOf(globals);
  block.setUseAdvanceState(record.advanceState && record.displayPixels && !block.hostIsPremiere());

  bool dialogOpened = false;
  if (block.showDialog()) {
    dialogOpened = DoUI(globals);
    block.setShowDialog(0);
  }
  if (globals.result != kNoErr) return;

  if (!dialogOpened) {
    ModuleState& module = Module();
    block.LoadInto(module.working);
    module.iterationCount = module.working.iterations;
  }

  if (block.useAdvanceState())
    StripPass(globals);
  else
    RequestFirstStrip(globals);
}

void DoContinue(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  if (Aborted(globals)) {
    globals.result = kUserCanceledErr;
    return;
  }
  if (!EnsureParameters(globals)) return;
  if (BlockOf(globals).useAdvanceState()) {
    ClearRequestRects(record);
    return;
  }
  RenderStrip(globals);
  if (globals.result != kNoErr) {
    ClearRequestRects(record);
    return;
  }
  // Advanced in full-width arithmetic: a strip past the last row ends the pass instead of
  // wrapping round to a negative row and starting over.
  const int rows = StripRows(globals);
  const int nextTop = record.inRect.top + rows;
  if (nextTop >= record.filterRect.bottom) {
    ClearRequestRects(record);
    return;
  }
  record.inRect.top = int16(nextTop);
  record.inRect.bottom = RowBelow(record.inRect.bottom, rows);
  record.outRect = record.inRect;
  record.maskRect = record.inRect;
}

void SetupPreview(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  // The preview area, shrunk by 2 pixels on each side. A degenerate area counts as one pixel.
  const Rect16 area = globals.previewRect;
  const int pw = std::max(area.right - area.left - 4, 1);
  const int ph = std::max(area.bottom - area.top - 4, 1);
  const int fw = record.filterRect.right - record.filterRect.left;
  const int fh = record.filterRect.bottom - record.filterRect.top;
  const int scale = std::max(int(std::trunc(double(pw + fw) / pw)),
                             int(std::trunc(double(ph + fh) / ph)));
  // The rate is scale in 16.16 fixed point: keep it positive.
  const int divisor = std::clamp(scale, 1, int(INT16_MAX));
  auto scaled = [divisor](const Rect16& r) {
    return Rect16{int16(r.top / divisor), int16(r.left / divisor), int16(r.bottom / divisor),
                  int16(r.right / divisor)};
  };
  globals.previewRect = scaled(record.filterRect);
  record.inRect = scaled(record.filterRect);
  record.outRect = record.inRect;
  record.maskRect = record.inRect;
  RequestAllPlanes(record);
  record.inputRate = Fixed(uint32_t(divisor) << 16);
  record.maskRate = record.inputRate;
  record.inputPadding = kPadding;
  record.outputPadding = kPadding;
  record.maskPadding = kPadding;
  globals.result = record.advanceState ? record.advanceState() : kUserCanceledErr;
}

}  // namespace zar
