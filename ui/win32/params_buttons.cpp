#include "ui/win32/params_buttons.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "framework/module_state.h"
#include "framework/plugin.h"
#include "settings/params_file.h"
#include "ui/win32/ui_state.h"

namespace zar::ui {

namespace {

constexpr char kInitialDirectory[] = "QUORVANE";
constexpr char kLoadTitle[] = "Open Filter Params";
constexpr char kSaveTitle[] = "Save Filter Params";
constexpr char kFileErrorText[] = "Create File Error";
constexpr char kFileErrorCaption[] = "Save As";

void CopyText(char* to, size_t capacity, const char* from) {
  std::strncpy(to, from, capacity - 1);
  to[capacity - 1] = '\0';
}

// Runs the system's save-file dialog (for loading too). Returns the chosen path with the
// plug-in's extension rule applied, or an empty string when the user cancelled.
std::string ChooseParamsFile(HWND dialog, bool load) {
  const ParamsFileFormat& file = ThisPlugin().file;
  FileDialogState& state = FileDialog();
  CopyText(state.path, sizeof state.path, file.initialName);
  CopyText(state.title, sizeof state.title, file.initialName);
  // One filter entry: the description and an empty pattern. The list ends with a further zero
  // byte so nothing past it is ever read.
  std::memset(state.filter, 0, sizeof state.filter);
  CopyText(state.filter, sizeof state.filter - 3, file.filterDescription);

  OPENFILENAMEA& record = state.record;
  std::memset(&record, 0, sizeof record);
  record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // the record's 8-bit form of old
  record.hwndOwner = dialog;
  record.lpstrFilter = state.filter;
  record.lpstrFile = state.path;
  record.nMaxFile = sizeof state.path;
  record.lpstrFileTitle = state.title;
  record.nMaxFileTitle = sizeof state.title;
  record.lpstrInitialDir = kInitialDirectory;
  record.lpstrTitle = load ? kLoadTitle : kSaveTitle;
  record.lpstrDefExt = nullptr;
  record.Flags = load ? OFN_EXPLORER | OFN_FILEMUSTEXIST : OFN_EXPLORER | OFN_CREATEPROMPT;
  if (!GetSaveFileNameA(&record)) return {};
  state.path[sizeof state.path - 1] = '\0';
  return ParamsFileName(file, state.path);
}

void ShowFileError() {
  MessageBoxA(nullptr, kFileErrorText, kFileErrorCaption, MB_OK | MB_ICONWARNING);
}

}  // namespace

LoadOutcome LoadParamsButton(HWND dialog) {
  const std::string path = ChooseParamsFile(dialog, true);
  if (path.empty()) return LoadOutcome::kCancelled;
  switch (LoadParamsFile(ThisPlugin().file, path, Module().working)) {
    case ParamsFileStatus::kOk: return LoadOutcome::kLoaded;
    case ParamsFileStatus::kWrongHeader: return LoadOutcome::kWrongHeader;
    default: break;
  }
  ShowFileError();
  return LoadOutcome::kOpenFailed;
}

SaveOutcome SaveParamsButton(HWND dialog) {
  const std::string path = ChooseParamsFile(dialog, false);
  if (path.empty()) return SaveOutcome::kCancelled;
  // The file is written beside its final name and then put in place, so a failed write leaves
  // no half-written file and an existing one as it was.
  if (SaveParamsFile(ThisPlugin().file, path, Module().working) == ParamsFileStatus::kOk)
    return SaveOutcome::kSaved;
  ShowFileError();
  return SaveOutcome::kFailed;
}

}  // namespace zar::ui
