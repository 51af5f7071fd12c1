// The live preview's sequence of engine calls, shared by the Windows dialog and the native
// modules' stand-in for it: opening (the preview state, the working copy from the block, one
// iteration, the ramp, the reduced request and the first preview-mode run), one preview-mode run
// per tick on the kept fields, and closing. Frame k of the stand-in is the dialog's k-th picture.
#pragma once

#include "framework/globals.h"

namespace zar {

// The ramp again from the working colours and ramp positions.
void RebuildWorkingRamp();

// Opens the preview for a preview area (client coordinates) and runs its first step. False when
// the block asks for no preview or the host refused the reduced picture (then the filter runs the
// multi-call way: useAdvanceState is cleared).
bool OpenPreview(PluginGlobals& globals, const Rect16& area);

// One tick: a preview-mode run on the fields kept from the last one (when the preview is on).
void StepPreview(PluginGlobals& globals);

// The preview is over (OK or Cancel): the next run is no longer a preview.
void ClosePreview();

}  // namespace zar
