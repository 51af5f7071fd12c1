// The dialog's Load and Save buttons: the system's save-file dialog (for both), then the
// plug-in's parameter file read into or written from the working copy.
#pragma once

#include <windows.h>

namespace zar::ui {

enum class LoadOutcome {
  kCancelled,    // the file dialog was cancelled: nothing happened
  kOpenFailed,   // the file could not be opened; the message was shown
  kWrongHeader,  // not this plug-in's file: nothing changed
  kLoaded,       // the fields the file holds are in the working copy
};

enum class SaveOutcome {
  kCancelled,
  kFailed,  // the message was shown; no file was written or replaced
  kSaved,
};

LoadOutcome LoadParamsButton(HWND dialog);
SaveOutcome SaveParamsButton(HWND dialog);

}  // namespace zar::ui
