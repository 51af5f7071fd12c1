// The parameter dialog of the build: the Windows dialog (ui/win32), or the native modules'
// stand-in (ui/native). A plug-in binds it as its dialog.
#pragma once

#include "framework/globals.h"

namespace zar::ui {

// Runs the modal parameter dialog for an RGB picture. Returns true when a dialog was opened
// (confirmed or cancelled; a cancel leaves -128 in the globals' result).
bool RunParameterDialog(PluginGlobals& globals);

}  // namespace zar::ui
