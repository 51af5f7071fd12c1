// How the dialog describes its preview picture to the host's displayPixels callback: a pixel map
// of version 1 over the preview request's output, with a mask where the picture has one.
#pragma once

#include "interface/host_api.h"

namespace zar {

struct PreviewPixels {
  PSPixelMap map;
  PSPixelMask mask;  // map.masks points here when a mask is attached
  VRect bounds;      // the source rectangle displayPixels takes: 32-bit, never the 16-bit outRect
};

// Fills `pixels` from the FilterRecord after a preview request. A mask is attached only for a
// floating selection (the selection mask) or, otherwise, for input with layer planes and a
// transparency mask (the last output plane). The result points into `pixels`: keep it in place.
void DescribePreview(const FilterRecord& record, PreviewPixels& pixels);

}  // namespace zar
