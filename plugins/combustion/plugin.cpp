// The combustion deliverable: its constants table, its engine entry, the build's dialog and
// strings.
#include "effects/combustion/combustion.h"
#include "framework/engine_frame.h"
#include "framework/module_state.h"
#include "framework/plugin.h"
#include "plugins/common/entries.h"
#include "ui/dialog.h"

namespace zar {

namespace {

// mode 1 renders the current strip for good and reports progress; mode 0 renders the preview.
void RunCombustionEntry(PluginGlobals* globals, int mode) {
  if (!globals || !globals->filterRecord) return;
  const FrameView frame = FrameFromRecord(*globals->filterRecord, mode);
  ModuleState& module = Module();
  combustion::RunCombustion(frame, module.working, module.colorRamp, module.rng);
}

constexpr PluginBinding kCombustionPlugin{&kCombustionTable, RunCombustionEntry,
                                          ui::RunParameterDialog, ModuleString};
ZAR_BIND_PLUGIN(kCombustionPlugin);

}  // namespace

}  // namespace zar
