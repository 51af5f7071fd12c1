#include "ui/win32/ui_state.h"

namespace zar::ui {

namespace {
DialogState gDialog;
ControlState gControls;
FileDialogState gFileDialog;
}  // namespace

DialogState& Dialog() { return gDialog; }
ControlState& Controls() { return gControls; }
FileDialogState& FileDialog() { return gFileDialog; }

}  // namespace zar::ui
