// What the dialog tests share: the test deliverable's engine, a picture, the host core driving
// the plug-in (the test deliverable linked into the test program, or a built module) with its
// parameter block, the dialog opened without its modal loop, and small helpers to read controls.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/globals.h"
#include "settings/plugin_table.h"
#include "tests/dialog/driver.h"
#include "hosts/core/host.h"
#include "tests/support/image.h"

namespace zar::testing {

// What the plug-in handed to displayPixels.
struct DisplayCall {
  PSPixelMap map;
  bool hasMask;
  PSPixelMask mask;
  VRect srcRect;
  int32 dstRow, dstCol;
  void* context;
};

// The engine of the test deliverable: the preview is the picture with a band that moves with
// every call (so an animated preview shows), the final rendering XORs every sample with the
// plug-in's first effect byte.
extern int gPreviewFrames;
void TestEngine(PluginGlobals& globals, int mode);

// Where tests leave screenshots (PAM), from ZAR_SCREENSHOT_DIR; empty: none are written.
std::string ScreenshotDir();

int SliderPos(HWND dialog, int id);
bool Checked(HWND dialog, int id);
// The index-th child window of a class.
HWND Child(HWND dialog, const char* className, int index = 0);
// Drags a trackbar's thumb with the mouse: press on the thumb, move along, release.
void DragSlider(HWND dialog, int id, std::initializer_list<int> positions);

class DialogFixture : public ::testing::Test {
 protected:
  // The plug-in the test deliverable stands for.
  void Use(const PluginTable& table);
  void SetUp() override { Use(kFireTable); }
  void TearDown() override;

  // A host for `module` (the test deliverable when null) over `output`, a copy of the picture,
  // set up as these tests want it: it draws every displayPixels call into the dialog and records
  // it, leaves the windows to the test's driver, and offers no handle suite and no owner window.
  void NewHost(const host::PluginModule* module = nullptr,
               const std::function<void(host::HostOptions&)>& adjust = {});
  // Makes the host and its parameter block as the parameters selector leaves them, in a run
  // stepped one selector at a time.
  void MakeHost();
  // Opens the dialog without its modal loop, as the start selector would for a one-pass host,
  // so the test can send it messages and look at it synchronously.
  void OpenModeless(const char* templateName);
  // The plug-in's block as a fresh parameters selector makes it.
  std::vector<uint8_t> DefaultBlock();
  // The first `size` bytes of the parameters handle.
  std::vector<uint8_t> Block(size_t size) const;
  // The input rates of the strips the host delivered.
  std::vector<Fixed> Rates() const;

  const PluginTable* table = &kFireTable;
  Image picture;
  std::unique_ptr<host::PluginModule> linked;  // the test deliverable
  std::unique_ptr<host::Host> host;
  Image output;  // what the host filters: the picture until a run wrote into it
  std::vector<DisplayCall> displayCalls;
  PluginGlobals globals{};
  HWND dialog = nullptr;
};

}  // namespace zar::testing
