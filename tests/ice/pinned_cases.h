// The final renderings pinned by hash: each in a freshly loaded module, on the sample photograph
// or a structured picture (with or without a selection). The gallery tool writes the same
// pictures as PNG files, so what is pinned is what was looked at.
#pragma once

#include <string>
#include <vector>

#include "settings/plugin_table.h"
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
  const PluginTable* table;
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
      {"ice-defaults", &kIceTable, [](WorkingParameters&) {}, Picture::kPhoto, "eb23d95403b5b794"},
      {"candle-defaults", &kCandleTable, [](WorkingParameters&) {}, Picture::kPhoto,
       "59d88a5b6111eb1f"},
      {"ice-selection", &kIceTable, [](WorkingParameters&) {}, Picture::kStructuredSelected,
       "6cd7d5a7536027c5"},
      {"candle-selection", &kCandleTable, [](WorkingParameters&) {}, Picture::kStructuredSelected,
       "172577419f57754e"},
      {"ice-right-both", &kIceTable,
       [](WorkingParameters& p) {
         p.flameDirection = 6;
         p.maskMode = 2;
       },
       Picture::kPhoto, "b456f78f69a8203f"},
      {"candle-left-top-in", &kCandleTable,
       [](WorkingParameters& p) {
         p.flameDirection = 1;
         p.maskMode = 0;
       },
       Picture::kPhoto, "019c70e9f6f46a8f"},
      {"ice-droplets-selection", &kIceTable,
       [](WorkingParameters& p) {
         p.maskDroplet = 1;
         p.maskMode = 2;
       },
       Picture::kStructuredSelected, "25686b05975e4ed6"},
      {"candle-droplets", &kCandleTable,
       [](WorkingParameters& p) {
         p.maskDroplet = 1;
         p.maskMode = 2;
       },
       Picture::kStructured, "68dc874eafc974b1"},
      {"ice-displaced-selection", &kIceTable,
       [](WorkingParameters& p) {
         p.radius = 60;
         p.rotation = 45;
       },
       Picture::kStructuredSelected, "c5ac9e4650bd0ad9"},
      {"candle-out-invert", &kCandleTable,
       [](WorkingParameters& p) {
         p.maskMode = 1;
         p.maskInvert = 1;
       },
       Picture::kStructured, "1ca41be42ddeea46"},
      {"candle-four-planes", &kCandleTable, [](WorkingParameters&) {},
       Picture::kStructuredFourPlanes, "bebf9a73b014adab"},
      {"ice-300-rows", &kIceTable, [](WorkingParameters&) {}, Picture::kTall, "423f292825c54f30"},
      {"candle-300-rows", &kCandleTable, [](WorkingParameters&) {}, Picture::kTall,
       "5746af77d3a31159"},
      {"ice-300-rows-both", &kIceTable, [](WorkingParameters& p) { p.maskMode = 2; }, Picture::kTall,
       "2d653d9ce4c60f42"},
  };
  return cases;
}

// A final rendering of the case in a freshly loaded module of the engine.
template <typename Module>
Image RenderPinned(const PinnedCase& c) {
  WorkingParameters params = c.table->defaults;
  c.change(params);
  const Image in = PinnedPicture(c.picture);
  const Image mask = PinnedMask(c.picture);
  return RenderFresh<Module>(in, params, mask.width ? &mask : nullptr);
}

}  // namespace zar::testing
