// The ice deliverable: its constants table, the Ice engine, the build's dialog and strings.
#include "framework/plugin.h"
#include "plugins/common/entries.h"
#include "ui/dialog.h"

namespace zar {

namespace {
constexpr PluginBinding kIcePlugin{&kIceTable, RunIceEntry, ui::RunParameterDialog, ModuleString};
ZAR_BIND_PLUGIN(kIcePlugin);
}  // namespace

}  // namespace zar
