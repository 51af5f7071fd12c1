#include "framework/preview_map.h"

namespace zar {

void DescribePreview(const FilterRecord& record, PreviewPixels& pixels) {
  pixels = PreviewPixels{};
  const Rect16& out = record.outRect;
  pixels.bounds = VRect{out.top, out.left, out.bottom, out.right};
  const int32 outputPlanes = int32(record.outHiPlane) - record.outLoPlane + 1;

  PSPixelMap& map = pixels.map;
  map.version = 1;
  map.bounds = pixels.bounds;
  map.imageMode = record.imageMode;
  map.rowBytes = record.outRowBytes;
  map.colBytes = outputPlanes;
  map.planeBytes = 1;
  map.baseAddr = record.outData;
  map.mat = nullptr;
  map.masks = nullptr;
  map.maskPhaseRow = 0;
  map.maskPhaseCol = 0;

  PSPixelMask& mask = pixels.mask;
  if (record.isFloating) {
    // A floating selection shows through its own mask (when the host delivered one).
    if (record.maskData) {
      mask.maskData = record.maskData;
      mask.rowBytes = record.maskRowBytes;
      mask.colBytes = 1;
      map.masks = &mask;
    }
  } else if (record.inLayerPlanes != 0 && record.inTransparencyMask != 0 && record.outData &&
             outputPlanes > 0) {
    // The transparency is the last output plane, interleaved with the colour planes.
    mask.maskData = static_cast<uint8_t*>(record.outData) + (outputPlanes - 1);
    mask.rowBytes = record.outRowBytes;
    mask.colBytes = outputPlanes;
    map.masks = &mask;
  }
  mask.next = nullptr;
  mask.maskDescription = 0;
}

}  // namespace zar
