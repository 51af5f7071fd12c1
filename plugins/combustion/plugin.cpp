// The combustion deliverable: its constants table and its engine entry.
#include "effects/combustion/combustion.h"
#include "framework/engine_frame.h"
#include "framework/globals.h"
#include "framework/module_state.h"
#include "settings/plugin_table.h"

namespace zar {

const PluginTable& ThisPlugin() { return kCombustionTable; }

// mode 1 renders the current strip for good and reports progress; mode 0 renders the preview.
void RunEngine(PluginGlobals* globals, int mode) {
  if (!globals || !globals->filterRecord) return;
  const FrameView frame = FrameFromRecord(*globals->filterRecord, mode);
  ModuleState& module = Module();
  combustion::RunCombustion(frame, module.working, module.colorRamp, module.rng);
}

}  // namespace zar
