// The engine entry of the two deliverables built on the Fire engine (Fire and Cryo); each has its
// own constants table beside it.
#include "effects/fire/fire_engine.h"
#include "framework/engine_frame.h"
#include "framework/globals.h"
#include "framework/module_state.h"
#include "plugins/common/entries.h"

namespace zar {

namespace {
// The engine's fields, kept for as long as the module is loaded.
FireEngineState gEngine;
}  // namespace

void RunFireEntry(PluginGlobals* globals, int mode) {
  if (globals == nullptr || globals->filterRecord == nullptr) return;
  ModuleState& module = Module();
  RunFireEngine(FrameFromRecord(*globals->filterRecord, mode), module.working,
                module.iterationCount, module.previewState, module.colorRamp, module.rng, gEngine);
}

}  // namespace zar
