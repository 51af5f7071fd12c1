// The framework's one call into the parameter dialog.
#pragma once

namespace zar {

struct PluginGlobals;

// Runs the modal parameter dialog for an RGB picture. Returns true when a dialog was opened
// (confirmed or cancelled; a cancel leaves -128 in the globals' result). Supplied by ui/win32 in
// the Windows builds; the native modules have no dialog and return false, unless a host answers
// for the user through their dialog hook and cancels (ui/native/no_dialog.cpp).
bool RunParameterDialog(PluginGlobals& globals);

}  // namespace zar
