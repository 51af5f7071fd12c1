// The candle deliverable: its constants table, the Ice engine, the build's dialog and strings.
#include "framework/plugin.h"
#include "plugins/common/entries.h"
#include "ui/dialog.h"

namespace zar {

namespace {
constexpr PluginBinding kCandlePlugin{&kCandleTable, RunIceEntry, ui::RunParameterDialog, ModuleString};
ZAR_BIND_PLUGIN(kCandlePlugin);
}  // namespace

}  // namespace zar
