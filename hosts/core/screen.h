// The host's side of the screen on Windows: drawing a plug-in's pixel map where displayPixels asks
// for it, and reading back what a window shows. zarhost's dialog scripts and the dialog tests
// draw and take their screenshots through these.
#pragma once

#include "interface/host_api.h"
#include "hosts/core/picture.h"

namespace zar::host {

// Draws the part srcRect of the pixel map (RGB samples, colBytes apart) into the device context
// `context` (an HDC) with its top left corner at (dstCol, dstRow), as a host's displayPixels
// does. srcRect is in the map's coordinates: its first sample is the top left corner of its
// bounds, so only the part of srcRect inside the bounds is drawn. Always 0 (nothing to draw is
// not an error).
OSErr DrawPixelMap(const PSPixelMap& source, const VRect& srcRect, int32 dstRow, int32 dstCol,
                   void* context);

// A rectangle of the screen (screen coordinates) as a three-plane picture, as the screen shows it
// (under Wine the only place a dialog is drawn completely); empty when the rectangle is.
Picture CaptureScreen(int left, int top, int width, int height);

}  // namespace zar::host
