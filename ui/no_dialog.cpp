// Builds without a parameter dialog: the start selector renders with the stored settings.
#include "framework/dialog_bridge.h"

namespace zar {

bool RunParameterDialog(PluginGlobals&) { return false; }

}  // namespace zar
