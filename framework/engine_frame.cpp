#include "framework/engine_frame.h"

#include "platform/platform.h"

namespace zar {

namespace {

void ReportToHost(void* context, int32_t done, int32_t total) {
  auto* record = static_cast<const FilterRecord*>(context);
  if (record->progressProc) record->progressProc(done, total);
}

bool AskHost(void* context) {
  auto* record = static_cast<const FilterRecord*>(context);
  return record->abortProc && (record->abortProc() & 0xFF) != 0;
}

FrameOutcome gOutcome = FrameOutcome::kDone;

}  // namespace

FrameOutcome TakeEngineOutcome() {
  const FrameOutcome outcome = gOutcome;
  gOutcome = FrameOutcome::kDone;
  return outcome;
}

FrameView FrameFromRecord(const FilterRecord& record, int mode) {
  FrameView frame;
  frame.in = static_cast<const uint8_t*>(record.inData);
  frame.inRowBytes = record.inRowBytes;
  frame.out = static_cast<uint8_t*>(record.outData);
  frame.outRowBytes = record.outRowBytes;
  if (record.haveMask && record.maskData) {
    frame.mask = static_cast<const uint8_t*>(record.maskData);
    frame.maskRowBytes = record.maskRowBytes;
  }
  frame.width = record.outRect.right - record.outRect.left;
  frame.height = record.outRect.bottom - record.outRect.top;
  frame.planes = record.planes;
  frame.imageMode = record.imageMode;
  frame.warnNotRgb = ShowNotRgbWarning;
  if (mode == 1) {
    frame.progress = ReportToHost;
    frame.progressContext = const_cast<FilterRecord*>(&record);
    frame.abort = AskHost;
    frame.abortContext = frame.progressContext;
    gOutcome = FrameOutcome::kDone;
    frame.outcome = &gOutcome;
  }
  return frame;
}

void ShowNotRgbWarning() {
  platform::ShowMessage(0, "I'm work only this 24 Bit's images", "Sory",
                        platform::MessageIcon::kWarning);
}

}  // namespace zar
