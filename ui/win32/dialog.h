// The main parameter dialog: its procedure and the way the framework opens it.
#pragma once

#include <windows.h>

#include "framework/globals.h"

// The dialog procedure of "DISSOLVEWITHPARAM", exported under this name. With the opening
// message, lParam is the PluginGlobals pointer.
extern "C" INT_PTR CALLBACK DissolveProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace zar::ui {

// The name of every plug-in's dialog template.
inline constexpr char kDialogTemplate[] = "DISSOLVEWITHPARAM";

// Runs the modal dialog from a template of `instance`, owned by the host window of the
// FilterRecord's platform data. Returns the dialog's end code (1 OK, 2 Cancel), or 0 or -1 when
// it could not be opened.
INT_PTR RunDialogTemplate(PluginGlobals& globals, HINSTANCE instance, const char* templateName);

// Preview refresh: renders the preview when the host offers one, then repaints the preview area
// before returning.
void RefreshPreview(HWND dialog);

// Writes every working value into its control.
void ShowWorkingValues(HWND dialog);

// Places the dialog over its parent's client area (or the desktop).
void CentreDialog(HWND dialog);

}  // namespace zar::ui
