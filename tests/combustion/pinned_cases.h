// The Combustion pictures the tests pin by hash ("Blend" and "Page" depend only on the picture and
// the settings), shared with the gallery tool so the same pictures can be looked at.
#pragma once

#include <string>

#include "base/frame.h"
#include "settings/parameters.h"
#include "tests/support/image.h"

namespace zar::testing {

// The plug-in's default settings.
WorkingParameters CombustionDefaults();

// A frame over packed or padded pictures; the mask may be null.
FrameView CombustionFrame(const Image& source, Image& out, const Image* mask);

struct PinnedCase {
  const char* name;
  bool photo;  // the sample photograph, else the structured picture (96 x 64, with transparency)
  int planes;
  bool mask;  // the ellipse selection
  int effectMode, phase, effectDirection, flameDirection, colorMode;
  const char* hash;
};

extern const PinnedCase kPinnedCases[];
extern const int kPinnedCaseCount;

// The source picture of a case, with its planes.
Image PinnedSource(const PinnedCase& c);
// Renders a case with a fresh generator and ramp.
Image RenderPinned(const PinnedCase& c);

}  // namespace zar::testing
