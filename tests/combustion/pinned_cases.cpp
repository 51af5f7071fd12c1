#include "tests/combustion/pinned_cases.h"

#include "effects/combustion/combustion.h"

namespace zar::testing {

WorkingParameters CombustionDefaults() {
  WorkingParameters p{};
  p.oxygen = 6;
  p.gravity = 10;
  p.viscosity = 254;
  p.fuel = 13;
  p.colorMode = 0;
  p.effectMode = 0;
  p.phase = 25;
  p.effectDirection = 0;
  p.rampPosition1 = 85;
  p.rampPosition2 = 171;
  p.alpha = 200;
  p.maskInvert = 0;
  p.maskDroplet = 0;
  p.flameDirection = 0;
  p.rotation = 180;
  p.radius = 0;
  p.iterations = 40;
  p.rampColors[0] = 0xFFFFFF;
  p.rampColors[1] = 0x00FFFF;
  p.rampColors[2] = 0x0000FF;
  p.rampColors[3] = 0x000000;
  return p;
}

FrameView CombustionFrame(const Image& source, Image& out, const Image* mask) {
  FrameView frame;
  frame.in = source.pixels.data();
  frame.inRowBytes = source.rowBytes;
  frame.out = out.pixels.data();
  frame.outRowBytes = out.rowBytes;
  if (mask) {
    frame.mask = mask->pixels.data();
    frame.maskRowBytes = mask->rowBytes;
  }
  frame.width = source.width;
  frame.height = source.height;
  frame.planes = source.planes;
  frame.imageMode = 3;
  return frame;
}

// Hashes are those of the pictures as first rendered and looked at (docs/gallery shows them).
const PinnedCase kPinnedCases[] = {
    {"photo-blend-3", true, 3, false, 0, 25, 0, 0, 0, "23640c9066c5862a"},
    {"photo-blend-3-mask", true, 3, true, 0, 25, 0, 0, 0, "23640c9066c5862a"},
    {"photo-blend-4", true, 4, false, 0, 25, 0, 0, 0, "d1ca17aa8136f3f9"},
    {"photo-blend-4-mask", true, 4, true, 0, 25, 0, 0, 0, "5d272d0290b0f747"},
    {"photo-blend-5", true, 5, false, 0, 25, 0, 0, 0, "e02f8c5efbdf982f"},
    {"photo-blend-5-mask", true, 5, true, 0, 25, 0, 0, 0, "77727f91db45be81"},
    {"photo-page-3", true, 3, false, 1, 40, 0, 0, 0, "7463df8417fbc306"},
    {"photo-page-3-mask", true, 3, true, 1, 40, 0, 0, 0, "7463df8417fbc306"},
    {"photo-page-4", true, 4, false, 1, 40, 0, 0, 0, "6e56ddf4281d1d86"},
    {"photo-page-4-mask", true, 4, true, 1, 40, 0, 0, 0, "0260e24614fd9514"},
    {"photo-page-5", true, 5, false, 1, 40, 0, 0, 0, "4c4485e0b0fefc29"},
    {"photo-page-5-mask", true, 5, true, 1, 40, 0, 0, 0, "03ddd7cff2eb98a5"},
    {"structured-blend-left-3", false, 3, false, 0, 45, 2, 7, 1, "a5f55140ce3742d7"},
    {"structured-blend-left-4-mask", false, 4, true, 0, 45, 2, 7, 1, "6243b20bf0b0baf7"},
    {"structured-blend-left-5-mask", false, 5, true, 0, 45, 2, 7, 1, "390c9b9f0fa13895"},
    {"structured-page-left-btm-4", false, 4, false, 1, 55, 3, 4, 0, "d1e018c67df3aee1"},
    {"structured-page-left-btm-5-mask", false, 5, true, 1, 55, 3, 4, 0, "cf19b0143244d8d1"},
    {"structured-page-right-3", false, 3, false, 1, 50, 6, 2, 0, "0203d2c72d764174"},
};
const int kPinnedCaseCount = int(sizeof(kPinnedCases) / sizeof(kPinnedCases[0]));

Image PinnedSource(const PinnedCase& c) {
  if (!c.photo) return StructuredPicture(96, 64, c.planes);
  const Image photo = SamplePhoto();
  return c.planes == 3 ? photo : photo.WithPlanes(c.planes, 255);
}

Image RenderPinned(const PinnedCase& c) {
  const Image source = PinnedSource(c);
  Image out(source.width, source.height, source.planes);
  const Image mask = EllipseMask(source.width, source.height);
  WorkingParameters params = CombustionDefaults();
  params.effectMode = uint8_t(c.effectMode);
  params.phase = uint8_t(c.phase);
  params.effectDirection = uint8_t(c.effectDirection);
  params.flameDirection = uint8_t(c.flameDirection);
  params.colorMode = uint8_t(c.colorMode);
  ColorRamp ramp{};
  Rng rng;
  combustion::RunCombustion(CombustionFrame(source, out, c.mask ? &mask : nullptr), params, ramp,
                            rng);
  return out;
}

}  // namespace zar::testing
