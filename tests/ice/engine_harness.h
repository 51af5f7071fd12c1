// Running the field engines on test pictures: frame views over Image buffers, and the state of a
// freshly loaded module.
#pragma once

#include <cstdint>

#include "base/frame.h"
#include "base/color_ramp.h"
#include "settings/parameters.h"
#include "base/rng.h"
#include "tests/support/image.h"

namespace zar::testing {

// A frame over `in` and `out` (same size and planes, each with its own row stride) and an
// optional selection mask (one plane).
inline FrameView FrameOf(const Image& in, Image& out, const Image* mask = nullptr) {
  FrameView frame;
  frame.in = in.pixels.data();
  frame.inRowBytes = in.rowBytes;
  frame.out = out.pixels.data();
  frame.outRowBytes = out.rowBytes;
  if (mask) {
    frame.mask = mask->pixels.data();
    frame.maskRowBytes = mask->rowBytes;
  }
  frame.width = out.width;
  frame.height = out.height;
  frame.planes = out.planes;
  frame.imageMode = 3;
  return frame;
}

// The module-wide state an engine call uses, as in a module that was just loaded.
struct ModuleFixture {
  Rng rng{};
  ColorRamp colorRamp{};
  int32_t previewState = 0;
};

// An output buffer of the picture's shape, filled with a pattern that a missing copy would show.
inline Image OutputFor(const Image& in) {
  Image out(in.width, in.height, in.planes, in.rowBytes - in.width * in.planes);
  for (size_t i = 0; i < out.pixels.size(); ++i) out.pixels[i] = uint8_t(0x5A ^ i);
  return out;
}

}  // namespace zar::testing
