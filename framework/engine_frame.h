// Builds an engine's frame view from the call's FilterRecord.
#pragma once

#include "effects/common/frame.h"
#include "framework/globals.h"

namespace zar {

// mode 1 (final rendering) reports progress through the host's progressProc; mode 0 does not.
FrameView FrameFromRecord(const FilterRecord& record, int mode);

// The warning an engine shows for a picture that is not RGB.
void ShowNotRgbWarning();

}  // namespace zar
