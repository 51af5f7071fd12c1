// Builds without a parameter dialog: the start selector renders with the stored settings. A host
// may stand in for the user (ZarSetDialogHook, so a host's tests can see the dialog asked for and
// answer it): OK renders with the stored settings as a dialog left unchanged does, Cancel cancels.
// A host may also watch the dialog's live preview (ZarSetPreviewHook): the stand-in then runs the
// preview sequence of the Windows dialog, paints every tick through displayPixels and cancels
// once the host has seen enough, so no final rendering follows.
#include <algorithm>

#include "framework/globals.h"
#include "framework/parameters.h"
#include "framework/preview_map.h"
#include "framework/preview_sequence.h"
#include "interface/native_exports.h"
#include "platform/platform.h"
#include "ui/dialog.h"

namespace zar {

namespace {
ZarDialogHook gDialogHook = nullptr;
void* gDialogHookContext = nullptr;
ZarPreviewHook gPreviewHook = nullptr;
void* gPreviewHookContext = nullptr;
int gPreviewWidth = 0, gPreviewHeight = 0;
constexpr unsigned kTitleId = 16001;  // the plug-in's title, as the dialog's caption

void PaintPreview(FilterRecord& record) {
  if (!record.displayPixels || !record.outData) return;
  PreviewPixels pixels;
  DescribePreview(record, pixels);
  record.displayPixels(&pixels.map, &pixels.bounds, 0, 0, nullptr);
}

// The dialog opened, its preview ticking until the host says stop, then Cancel.
bool RunWatchedPreview(PluginGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  ParameterBlock block = BlockOf(globals);
  const auto disposition = block.disposition();
  const auto spareFlag = block.spareFlag();
  // Without a size, an area one pixel wider and taller than the picture plus the frame's border:
  // the preview is the picture itself, unreduced.
  const int width =
      gPreviewWidth > 0 ? gPreviewWidth : record.filterRect.right - record.filterRect.left + 5;
  const int height =
      gPreviewHeight > 0 ? gPreviewHeight : record.filterRect.bottom - record.filterRect.top + 5;
  if (OpenPreview(globals,
                      {0, 0, int16(std::min(height, 32767)), int16(std::min(width, 32767))})) {
    for (int frame = 0;; ++frame) {
      if (frame > 0) StepPreview(globals);
      PaintPreview(record);
      if (gPreviewHook(gPreviewHookContext, frame) == 0) break;
    }
  }
  ClosePreview();
  block.setDisposition(disposition);
  block.setSpareFlag(spareFlag);
  globals.result = kUserCanceledErr;
  return true;
}
}  // namespace

namespace ui {

bool RunParameterDialog(PluginGlobals& globals) {
  if (gPreviewHook) return RunWatchedPreview(globals);
  if (!gDialogHook) return false;
  char title[60];
  platform::LoadModuleString(kTitleId, title, sizeof title);
  if (gDialogHook(gDialogHookContext, title) != 0) return false;
  globals.result = kUserCanceledErr;
  return true;
}

}  // namespace ui

}  // namespace zar

extern "C" __attribute__((visibility("default"))) void ZarSetDialogHook(ZarDialogHook hook,
                                                                        void* context) {
  zar::gDialogHook = hook;
  zar::gDialogHookContext = context;
}

extern "C" __attribute__((visibility("default"))) void ZarSetPreviewHook(ZarPreviewHook hook,
                                                                         void* context, int width,
                                                                         int height) {
  zar::gPreviewHook = hook;
  zar::gPreviewHookContext = context;
  zar::gPreviewWidth = width;
  zar::gPreviewHeight = height;
}
