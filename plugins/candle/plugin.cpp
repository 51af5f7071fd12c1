// The candle deliverable: its constants table and its engine entry.
#include "effects/ice/ice_engine.h"
#include "framework/engine_frame.h"
#include "framework/globals.h"
#include "framework/module_state.h"
#include "framework/plugin_spec.h"

namespace zar {

namespace {
// The engine's fields and wobble phase, kept for as long as the module is loaded.
IceEngineState gEngine;
}  // namespace

const PluginSpec& ThisPlugin() { return kCandleSpec; }

void RunEngine(PluginGlobals* globals, int mode) {
  if (globals == nullptr || globals->filterRecord == nullptr) return;
  ModuleState& module = Module();
  RunIceEngine(FrameFromRecord(*globals->filterRecord, mode), module.working, module.iterationCount,
               module.previewState, module.colorRamp, module.rng, gEngine);
}

}  // namespace zar
