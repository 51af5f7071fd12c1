// The fire deliverable: its constants table, the Fire engine, the build's dialog and strings.
#include "framework/plugin.h"
#include "plugins/common/entries.h"
#include "ui/dialog.h"

namespace zar {

namespace {
constexpr PluginBinding kFirePlugin{&kFireTable, RunFireEntry, ui::RunParameterDialog, ModuleString};
ZAR_BIND_PLUGIN(kFirePlugin);
}  // namespace

}  // namespace zar
