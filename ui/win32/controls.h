// The dialog's custom controls: the colour ramp ("Palette"), the four colour swatches that open
// the system colour picker ("ColorRect"), and the rotation dial ("RotationRect").
#pragma once

#include <windows.h>

namespace zar::ui {

// Registers "Palette" and "ColorRect" (and "RotationRect"): no class style, no extra bytes, no
// background brush, the size cursor. A repeated registration fails harmlessly.
void RegisterPaletteClasses(HINSTANCE instance);
void RegisterRotationClass(HINSTANCE instance);

// Makes the dial as a visible, thin-bordered child of `parent` at (left, top), sized
// right - left by bottom - top pixels; when a drag ends it sends `parent` a command message with
// `commandId`. The dial starts at angle, distance and turns 0.
HWND CreateRotationDial(HINSTANCE instance, int commandId, HWND parent, int left, int top,
                        int right, int bottom);

// Moves the dial's point to an angle and an elevation in degrees and redraws it at once.
void DialSet(float angleDegrees, float distanceDegrees);

// Rebuilds the module's colour ramp from the working colours and ramp positions.
void RebuildColorRamp();

// The colour picker's hook: makes the picker show itself fully on every host.
UINT_PTR CALLBACK ColourPickerHook(HWND picker, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zar::ui
