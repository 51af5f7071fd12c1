// The cryo deliverable: its constants table, the Fire engine, the build's dialog and strings.
#include "framework/plugin.h"
#include "plugins/common/entries.h"
#include "ui/dialog.h"

namespace zar {

namespace {
constexpr PluginBinding kCryoPlugin{&kCryoTable, RunFireEntry, ui::RunParameterDialog, ModuleString};
ZAR_BIND_PLUGIN(kCryoPlugin);
}  // namespace

}  // namespace zar
