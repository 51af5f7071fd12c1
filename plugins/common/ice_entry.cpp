// The engine entry of the two deliverables built on the Ice engine (Ice and Candle); each has its
// own constants table beside it.
#include "effects/ice/ice_engine.h"
#include "framework/engine_frame.h"
#include "framework/globals.h"
#include "framework/module_state.h"
#include "plugins/common/entries.h"

namespace zar {

namespace {
// The engine's fields and wobble phase, kept for as long as the module is loaded.
IceEngineState gEngine;
}  // namespace

void RunIceEntry(PluginGlobals* globals, int mode) {
  if (globals == nullptr || globals->filterRecord == nullptr) return;
  ModuleState& module = Module();
  RunIceEngine(FrameFromRecord(*globals->filterRecord, mode), module.working, module.iterationCount,
               module.previewState, module.colorRamp, module.rng, gEngine);
}

}  // namespace zar
