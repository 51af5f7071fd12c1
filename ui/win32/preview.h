// The live preview in the main dialog: the picture the preview request returned, centred in the
// preview frame (control 5) with a black border, drawn by the host's displayPixels callback.
#pragma once

#include <windows.h>

#include "framework/globals.h"

namespace zar::ui {

// Paints the preview during the dialog's paint message (one-pass hosts only).
void PaintPreview(PluginGlobals& globals, HWND dialog);

// The preview frame's rectangle in dialog client coordinates.
RECT PreviewArea(HWND dialog);

}  // namespace zar::ui
