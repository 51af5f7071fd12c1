// What the test module (a plug-in module built only for the tests, never shipped) tells the tests
// about itself: every engine call it received, and how its stand-in dialog behaves. The module
// exports ZarTestModule(), which returns its one state record.
#pragma once

#include <cstdint>

#include "interface/host_api.h"

struct ZarTestEngineCall {
  int32_t mode;
  zar::Rect16 inRect, outRect, maskRect;
  int32_t planes, imageMode, haveMask;
  int32_t inRowBytes, outRowBytes, maskRowBytes;
  int32_t iterationCount;
  int32_t oxygen;              // the working copy's oxygen at the call
  int32_t lastRowFirstSample;  // the first input sample of the strip's last row (-1: no input)
};

enum ZarTestDialog : int32_t {
  kZarTestNoDialog = 0,      // no dialog opens (the start selector uses the stored settings)
  kZarTestDialogOk = 1,      // the stand-in dialog opens, previews and is confirmed
  kZarTestDialogCancel = 2,  // the stand-in dialog opens, previews and is cancelled
};

struct ZarTestModuleConfig {
  int32_t dialog;
  zar::Rect16 previewFrame;  // the preview area (control 5) in dialog client coordinates
  int32_t okOxygen;          // written into the working copy on OK when nonzero
  int32_t okIterations;      // likewise
};

constexpr int kZarTestMaxCalls = 512;

struct ZarTestModuleState {
  ZarTestModuleConfig config;
  int32_t dialogRuns;
  int32_t previewResult;    // the result SetupPreview left
  zar::Rect16 previewRect;  // previewRect after SetupPreview
  int32_t useAdvanceStateAfterDialog;
  int32_t callCount;  // every call counts; the first kZarTestMaxCalls are kept
  ZarTestEngineCall calls[kZarTestMaxCalls];
};

extern "C" {
typedef ZarTestModuleState* (*ZarTestModuleProc)();
}
