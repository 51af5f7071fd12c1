#include "framework/preview_sequence.h"

#include "effects/palette/palette.h"
#include "framework/filter_pass.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "framework/plugin.h"

namespace zar {

void RebuildWorkingRamp() {
  ModuleState& module = Module();
  const WorkingParameters& w = module.working;
  BuildColorRamp(module.colorRamp, w.rampColors[0] & 0xFFFFFF, w.rampColors[1] & 0xFFFFFF,
                 w.rampColors[2] & 0xFFFFFF, w.rampColors[3] & 0xFFFFFF, w.rampPosition1,
                 w.rampPosition2);
}

bool OpenPreview(PluginGlobals& globals, const Rect16& area) {
  ModuleState& module = Module();
  module.previewState = 2;
  ParameterBlock block = BlockOf(globals);
  block.LoadInto(module.working);
  module.iterationCount = 1;
  RebuildWorkingRamp();
  if (block.useAdvanceState() != 1) return false;
  globals.previewRect = area;
  SetupPreview(globals);
  if (globals.result != kNoErr) {
    block.setUseAdvanceState(0);
    globals.result = kNoErr;
    return false;
  }
  RunEngine(&globals, 0);
  return true;
}

void StepPreview(PluginGlobals& globals) {
  if (BlockOf(globals).useAdvanceState() == 1) RunEngine(&globals, 0);
}

void ClosePreview() { Module().previewState = 0; }

}  // namespace zar
