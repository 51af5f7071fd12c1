// What an engine works on: one strip (or the preview picture) as plain buffers. Engines never see
// the host's records; each plug-in's RunEngine builds this view from them.
#pragma once

#include <cstdint>

namespace zar {

// How an engine's run ended, when not as asked.
enum class FrameOutcome { kDone, kCancelled, kOutOfMemory };

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

  // Asked at every simulation step: true when the host wants the run stopped (its Cancel).
  // Null when nothing stops a run (previews).
  bool (*abort)(void* context) = nullptr;
  void* abortContext = nullptr;
  // Where an engine says why it stopped early; null when nobody asks.
  FrameOutcome* outcome = nullptr;

  // True when the run is to stop here: the engine then returns without finishing its picture.
  bool Cancelled() const {
    if (!abort || !abort(abortContext)) return false;
    if (outcome) *outcome = FrameOutcome::kCancelled;
    return true;
  }
  // The engine could not have the memory for its fields; it returns without its picture.
  void OutOfMemory() const {
    if (outcome) *outcome = FrameOutcome::kOutOfMemory;
  }

  void WarnNotRgb() const {
    if (warnNotRgb) warnNotRgb();
  }

  void ReportProgress(int32_t done, int32_t total) const {
    if (progress) progress(progressContext, done, total);
  }
};

}  // namespace zar
