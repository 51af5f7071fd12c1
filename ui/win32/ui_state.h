// The module-wide state of the parameter dialog and its custom controls. One dialog is open at a
// time on the host's thread, so one instance of each record serves every call.
#pragma once

// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include "framework/globals.h"
#include "ui/model/dialog_model.h"

namespace zar::ui {

// The main dialog's state: what it remembers between messages.
struct DialogState {
  PluginGlobals* globals = nullptr;  // the record passed with the opening message
  uint32_t savedDisposition = 0;     // the block's disposition when the dialog opened
  uint8_t savedSpareFlag = 0;        // and its spare flag
  int sliderSyncEnabled = 0;         // 0 while the dialog writes an edit box itself
  int lastScrollCode = 0;            // notification code of the last slider message
  RECT paletteRect{};                // the ramp display, dialog client coordinates
  HWND paletteWindow = nullptr;
  int paletteWidth = 0, paletteHeight = 0;
  RECT swatchRect[4]{};  // the four colour swatches
  HWND swatchWindow[4]{};
  char text[256]{};  // the one buffer for every edit-box read and write
};

// The custom controls' state: the colour picker's custom colours and the rotation dial.
struct ControlState {
  COLORREF customColours[16]{};  // kept for the module's lifetime
  Dial dial{};                   // the dial's geometry, point, turns and drag
  HWND dialWindow = nullptr;
  HWND dialParent = nullptr;
  int dialCommandId = 0;
};

// The file dialog's record and buffers, reused by the Load and Save buttons.
struct FileDialogState {
  OPENFILENAMEA record{};
  char path[1024]{};
  char title[1024]{};
  char filter[128]{};  // one entry: the description and an empty pattern
};

DialogState& Dialog();
ControlState& Controls();
FileDialogState& FileDialog();

}  // namespace zar::ui
