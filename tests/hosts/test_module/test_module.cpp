// A plug-in module for the tests: the real framework with Fire's constants and resources, an
// engine that records its calls and renders something checkable (RGB samples inverted inside the
// selection, other planes copied; pictures that are not RGB warned about and copied, as the real
// engines do), and a stand-in for the parameter dialog that makes the same framework calls as
// the real one (preview request, preview rendering and display, OK or Cancel).
#include <algorithm>
#include <cstring>

#include "framework/engine_frame.h"
#include "framework/entry.h"
#include "framework/filter_pass.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "framework/plugin.h"
#include "plugins/common/entries.h"
#include "tests/hosts/test_module/test_module_api.h"

namespace {
ZarTestModuleState gState;
}

extern "C" ZAR_EXPORT ZarTestModuleState* ZarTestModule() { return &gState; }

namespace zar {

namespace {

void RecordEngineCall(PluginGlobals* globals, int mode) {
  const FilterRecord& record = *globals->filterRecord;
  const ModuleState& module = Module();
  if (gState.callCount < kZarTestMaxCalls) {
    ZarTestEngineCall& call = gState.calls[gState.callCount];
    call = ZarTestEngineCall{mode,
                             record.inRect,
                             record.outRect,
                             record.maskRect,
                             record.planes,
                             record.imageMode,
                             record.haveMask,
                             record.inRowBytes,
                             record.outRowBytes,
                             record.maskRowBytes,
                             module.iterationCount,
                             module.working.oxygen,
                             -1};
    const int rows = record.inRect.bottom - record.inRect.top;
    if (record.inData && rows > 0)
      call.lastRowFirstSample =
          static_cast<const uint8_t*>(record.inData)[size_t(rows - 1) * size_t(record.inRowBytes)];
  }
  ++gState.callCount;

  const FrameView frame = FrameFromRecord(record, mode);
  if (!frame.in || !frame.out || frame.width <= 0 || frame.height <= 0) return;
  const size_t rowLength = size_t(frame.width) * size_t(frame.planes);
  if (frame.imageMode != kImageModeRGB) {
    frame.WarnNotRgb();
    for (int y = 0; y < frame.height; ++y)
      std::memcpy(frame.out + size_t(y) * size_t(frame.outRowBytes),
                  frame.in + size_t(y) * size_t(frame.inRowBytes), rowLength);
    return;
  }
  for (int y = 0; y < frame.height; ++y) {
    const uint8_t* in = frame.in + size_t(y) * size_t(frame.inRowBytes);
    uint8_t* out = frame.out + size_t(y) * size_t(frame.outRowBytes);
    const uint8_t* mask =
        frame.mask ? frame.mask + size_t(y) * size_t(frame.maskRowBytes) : nullptr;
    for (int x = 0; x < frame.width; ++x) {
      const bool selected = !mask || mask[x] != 0;
      for (int p = 0; p < frame.planes; ++p) {
        const uint8_t v = in[x * frame.planes + p];
        out[x * frame.planes + p] = selected && p < 3 ? uint8_t(255 - v) : v;
      }
    }
  }
  if (mode == 1) {
    const int done =
        std::min(record.outRect.bottom, record.filterRect.bottom) - record.filterRect.top;
    frame.ReportProgress(done, record.filterRect.bottom - record.filterRect.top);
  }
}

// Shows the rendered preview through the host, as the dialog's preview painting does.
void DisplayPreview(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  if (!record.displayPixels || !record.outData) return;
  PSPixelMap map{};
  map.version = 1;
  map.bounds =
      VRect{record.outRect.top, record.outRect.left, record.outRect.bottom, record.outRect.right};
  map.imageMode = record.imageMode;
  map.rowBytes = record.outRowBytes;
  map.colBytes = record.planes;
  map.planeBytes = 1;
  map.baseAddr = record.outData;
  const VRect source = map.bounds;
  record.displayPixels(&map, &source, globals.previewRect.top, globals.previewRect.left, nullptr);
}

bool RunTestDialog(PluginGlobals& globals) {
  ++gState.dialogRuns;
  if (gState.config.dialog == kZarTestNoDialog) return false;
  ModuleState& module = Module();
  ParameterBlock block = BlockOf(globals);
  block.LoadInto(module.working);
  module.iterationCount = 1;
  module.previewState = 2;
  if (block.useAdvanceState()) {
    globals.previewRect = gState.config.previewFrame;
    SetupPreview(globals);
    gState.previewResult = globals.result;
    gState.previewRect = globals.previewRect;
    if (globals.result != kNoErr) {
      // No preview: the coming pass goes the multi-call way.
      block.setUseAdvanceState(0);
      globals.result = kNoErr;
    } else {
      RecordEngineCall(&globals, 0);
      DisplayPreview(globals);
    }
  }
  gState.useAdvanceStateAfterDialog = block.useAdvanceState();
  module.previewState = 0;
  if (gState.config.dialog == kZarTestDialogCancel) {
    globals.result = kUserCanceledErr;
    return true;
  }
  if (gState.config.okOxygen) module.working.oxygen = uint8_t(gState.config.okOxygen);
  if (gState.config.okIterations) module.working.iterations = gState.config.okIterations;
  block.StoreFrom(module.working);
  module.iterationCount = module.working.iterations;
  return true;
}

constexpr PluginBinding kTestPlugin{&kFireTable, RecordEngineCall, RunTestDialog, ModuleString};
ZAR_BIND_PLUGIN(kTestPlugin);

}  // namespace

}  // namespace zar
