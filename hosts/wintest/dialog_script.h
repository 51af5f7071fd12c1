// zarhost's way of working a plug-in's parameter dialog like a user: a short script of steps run
// against the dialog from the window watcher's side, with the preview drawn as a host draws it.
//
//   --dialog-script "wait 300; show 1026; text 1026 44; shot a.pam; wait 200; shot b.pam; ok"
//
// Steps, separated by ';':
//   wait MS          let the dialog run (its preview timer keeps animating) for MS milliseconds
//   show ID          print the text of control ID:  "dialog: 1026 = 10.000000"
//   text ID VALUE    type VALUE into edit box ID and leave it (the box reports the lost focus)
//   click ID         click button ID (a radio button, a check box, Reset...)
//   slide ID POS     move slider ID to POS as a drag would, ending the drag there
//   shot FILE        copy the dialog from the screen into FILE (PAM)
//   load FILE        press Load and answer the file dialog with FILE (no spaces in FILE)
//   ok, cancel       close the dialog with OK or Cancel
// A dialog the script has not closed 10 s after its last step is cancelled.
#pragma once

#include <string>
#include <vector>

#include "hosts/core/host.h"

namespace zar::host {

struct DialogStep {
  std::string verb;
  int id = 0;
  std::string value;  // the text, file name or number
};

bool ParseDialogScript(const std::string& text, std::vector<DialogStep>* steps, std::string* error);

// Takes the plug-in's parameter dialog (the window with the preview frame, control 5) when it
// opens and runs the steps against it; draws every displayPixels call into the dialog.
void AttachDialogScript(Host& host, std::vector<DialogStep> steps);

}  // namespace zar::host
