// What the dialog tests share: the test deliverable's engine, a picture, a host with its
// parameter block, the dialog opened without its modal loop, and small helpers to read controls.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/globals.h"
#include "settings/plugin_table.h"
#include "tests/dialog/driver.h"
#include "tests/dialog/fake_host.h"
#include "tests/support/image.h"

namespace zar::testing {

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

  // Makes the host and its parameter block as the parameters selector leaves them.
  void MakeHost();
  // Opens the dialog without its modal loop, as the start selector would for a one-pass host,
  // so the test can send it messages and look at it synchronously.
  void OpenModeless(const char* templateName);
  // The plug-in's block as a fresh parameters selector makes it.
  std::vector<uint8_t> DefaultBlock();

  const PluginTable* table = &kFireTable;
  Image picture;
  std::unique_ptr<FakeHost> host;
  PluginGlobals globals{};
  HWND dialog = nullptr;
};

}  // namespace zar::testing
