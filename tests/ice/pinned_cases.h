// The final renderings pinned by hash: each in a freshly loaded module, on the sample photograph
// or a structured picture (with or without a selection). The gallery tool writes the same
// pictures as PNG files, so what is pinned is what was looked at.
#pragma once

#include <string>
#include <vector>

#include "framework/plugin_spec.h"
#include "tests/ice/engine_runs.h"
#include "tests/support/image.h"

namespace zar::testing {

enum class Picture {
  kPhoto,                 // the sample photograph, 150 x 100
  kStructured,            // the structured picture, 150 x 100
  kStructuredSelected,    // the same with an elliptic selection
  kStructuredFourPlanes,  // the same with a fourth plane
  kTall,                  // the structured picture, 200 x 300
};

struct PinnedCase {
  const char* name;
  const PluginSpec* spec;
  void (*change)(WorkingParameters&);
  Picture picture;
  const char* hash;
};

inline Image PinnedPicture(Picture picture) {
  switch (picture) {
    case Picture::kPhoto: return SamplePhoto();
    case Picture::kStructuredFourPlanes: return StructuredPicture(150, 100, 4);
    case Picture::kTall: return StructuredPicture(200, 300);
    default: return StructuredPicture(150, 100);
  }
}

inline Image PinnedMask(Picture picture) {
  return picture == Picture::kStructuredSelected ? EllipseMask(150, 100) : Image();
}

inline const std::vector<PinnedCase>& IcePinnedCases() {
  static const std::vector<PinnedCase> cases = {
      {"ice-defaults", &kIceSpec, [](WorkingParameters&) {}, Picture::kPhoto, ""},
      {"candle-defaults", &kCandleSpec, [](WorkingParameters&) {}, Picture::kPhoto, ""},
      {"ice-selection", &kIceSpec, [](WorkingParameters&) {}, Picture::kStructuredSelected, ""},
      {"candle-selection", &kCandleSpec, [](WorkingParameters&) {}, Picture::kStructuredSelected,
       ""},
      {"ice-right-both", &kIceSpec,
       [](WorkingParameters& p) {
         p.flameDirection = 6;
         p.maskMode = 2;
       },
       Picture::kPhoto, ""},
      {"candle-left-top-in", &kCandleSpec,
       [](WorkingParameters& p) {
         p.flameDirection = 1;
         p.maskMode = 0;
       },
       Picture::kPhoto, ""},
      {"ice-droplets-selection", &kIceSpec,
       [](WorkingParameters& p) {
         p.maskDroplet = 1;
         p.maskMode = 2;
       },
       Picture::kStructuredSelected, ""},
      {"candle-droplets", &kCandleSpec,
       [](WorkingParameters& p) {
         p.maskDroplet = 1;
         p.maskMode = 2;
       },
       Picture::kStructured, ""},
      {"ice-displaced-selection", &kIceSpec,
       [](WorkingParameters& p) {
         p.radius = 60;
         p.rotation = 45;
       },
       Picture::kStructuredSelected, ""},
      {"candle-out-invert", &kCandleSpec,
       [](WorkingParameters& p) {
         p.maskMode = 1;
         p.maskInvert = 1;
       },
       Picture::kStructured, ""},
      {"candle-four-planes", &kCandleSpec, [](WorkingParameters&) {},
       Picture::kStructuredFourPlanes, ""},
      {"ice-300-rows", &kIceSpec, [](WorkingParameters&) {}, Picture::kTall, ""},
      {"candle-300-rows", &kCandleSpec, [](WorkingParameters&) {}, Picture::kTall, ""},
      {"ice-300-rows-both", &kIceSpec, [](WorkingParameters& p) { p.maskMode = 2; }, Picture::kTall,
       ""},
  };
  return cases;
}

inline Image RenderPinned(const PinnedCase& c) {
  WorkingParameters params = c.spec->defaults;
  c.change(params);
  const Image in = PinnedPicture(c.picture);
  const Image mask = PinnedMask(c.picture);
  return RenderFresh<IceModule>(in, params, mask.width ? &mask : nullptr);
}

}  // namespace zar::testing
