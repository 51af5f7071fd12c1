// What an engine works on: one strip (or the preview picture) as plain buffers. Engines never see
// the host's records; each plug-in's RunEngine builds this view from them.
#pragma once

#include <cstdint>

namespace zar {

struct FrameView {
  const uint8_t* in = nullptr;   // source pixels, interleaved, `planes` bytes per pixel
  int32_t inRowBytes = 0;        // distance between source rows
  uint8_t* out = nullptr;        // destination pixels
  int32_t outRowBytes = 0;       // distance between destination rows
  const uint8_t* mask = nullptr; // the host's selection, one byte per pixel; null when none
  int32_t maskRowBytes = 0;
  int32_t width = 0;             // outRect's width
  int32_t height = 0;            // outRect's height
  int32_t planes = 0;
  int16_t imageMode = 0;         // 3 is RGB

  // Progress report to the host; null when none is wanted (previews).
  void (*progress)(void* context, int32_t done, int32_t total) = nullptr;
  void* progressContext = nullptr;

  // Shows the warning for a picture that is not RGB (the host's message box); may be null.
  void (*warnNotRgb)() = nullptr;

  void WarnNotRgb() const {
    if (warnNotRgb) warnNotRgb();
  }

  void ReportProgress(int32_t done, int32_t total) const {
    if (progress) progress(progressContext, done, total);
  }
};

}  // namespace zar
