// The cryo deliverable: its constants table and its engine entry.
#include "effects/fire/fire_engine.h"
#include "framework/engine_frame.h"
#include "framework/globals.h"
#include "framework/module_state.h"
#include "framework/plugin_spec.h"

namespace zar {

namespace {
// The engine's fields, kept for as long as the module is loaded.
FireEngineState gEngine;
}  // namespace

const PluginSpec& ThisPlugin() { return kCryoSpec; }

void RunEngine(PluginGlobals* globals, int mode) {
  if (globals == nullptr || globals->filterRecord == nullptr) return;
  ModuleState& module = Module();
  RunFireEngine(FrameFromRecord(*globals->filterRecord, mode), module.working,
                module.iterationCount, module.previewState, module.colorRamp, module.rng, gEngine);
}

}  // namespace zar
