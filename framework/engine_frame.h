// Builds an engine's frame view from the call's FilterRecord.
#pragma once

#include "base/frame.h"
#include "framework/globals.h"

namespace zar {

// mode 1 (final rendering) reports progress through the host's progressProc and asks the host's
// abortProc at every step; mode 0 (previews) does neither.
FrameView FrameFromRecord(const FilterRecord& record, int mode);

// How the last final rendering's engine run ended (kDone when nothing stopped it); resets it.
FrameOutcome TakeEngineOutcome();

// The warning an engine shows for a picture that is not RGB.
void ShowNotRgbWarning();

}  // namespace zar
