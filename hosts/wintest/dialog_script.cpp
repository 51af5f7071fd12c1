#include "hosts/wintest/dialog_script.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "hosts/core/picture.h"
#include "hosts/core/screen.h"

namespace zar::host {

namespace {

constexpr int kPreviewFrameId = 5;
constexpr int kLoadButtonId = 1054;
constexpr DWORD kCloseDeadlineMs = 10000;
constexpr char kLoadDialogCaption[] = "Open Filter Params";

// The file a "load" step answers the plug-in's file dialog with; shared with the window watcher,
// which sees the file dialog open.
struct PendingLoad {
  std::mutex lock;
  std::string path;
  bool answered = false;
};

// The dialog's pixels from the screen (the only place Wine draws them completely).
bool Screenshot(HWND window, const std::string& path) {
  RECT r;
  GetWindowRect(window, &r);
  const Picture picture = CaptureScreen(r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::string error;
  return !picture.empty() && WritePamFile(path, picture, &error);
}

// The plug-in's file dialog, among the windows of the plug-in's thread only (other hosts may be
// running on the same display).
BOOL CALLBACK TakeLoadDialog(HWND window, LPARAM result) {
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (std::string(caption) != kLoadDialogCaption) return TRUE;
  *reinterpret_cast<HWND*>(result) = window;
  return FALSE;
}

HWND FindLoadDialog(HWND dialog) {
  HWND found = nullptr;
  EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), TakeLoadDialog,
                    reinterpret_cast<LPARAM>(&found));
  return found;
}

void Say(const char* format, const std::string& a, const std::string& b = {}) {
  std::printf(format, a.c_str(), b.c_str());
  std::fflush(stdout);
}

// Runs on a thread of its own: the plug-in's thread is in the dialog's modal loop meanwhile, and
// every message sent from here is handled there.
void RunSteps(HWND dialog, const std::vector<DialogStep>& steps, PendingLoad& load) {
  for (const DialogStep& step : steps) {
    if (!IsWindow(dialog)) return;
    HWND control = step.id ? GetDlgItem(dialog, step.id) : nullptr;
    if (step.verb == "wait") {
      Sleep(DWORD(std::atoi(step.value.c_str())));
    } else if (step.verb == "show") {
      char text[256] = {};
      GetWindowTextA(control, text, sizeof text);
      Say("dialog: %s = %s\n", std::to_string(step.id), text);
    } else if (step.verb == "text") {
      SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(step.value.c_str()));
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, EN_KILLFOCUS),
                   reinterpret_cast<LPARAM>(control));
    } else if (step.verb == "click") {
      SendMessageA(control, BM_CLICK, 0, 0);
    } else if (step.verb == "slide") {
      const int position = std::atoi(step.value.c_str());
      const UINT message = GetWindowLongA(control, GWL_STYLE) & TBS_VERT ? WM_VSCROLL : WM_HSCROLL;
      SendMessageA(control, TBM_SETPOS, TRUE, position);
      SendMessageA(dialog, message, MAKEWPARAM(TB_THUMBTRACK, position),
                   reinterpret_cast<LPARAM>(control));
      SendMessageA(dialog, message, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(control));
    } else if (step.verb == "load") {
      {
        std::lock_guard<std::mutex> hold(load.lock);
        load.path = step.value;
        load.answered = false;
      }
      // Posted: the button runs the file dialog's modal loop on the plug-in's thread.
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kLoadButtonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, kLoadButtonId)));
      bool answered = false;
      for (DWORD waited = 0; !answered && waited < kCloseDeadlineMs; waited += 50) {
        Sleep(50);
        std::lock_guard<std::mutex> hold(load.lock);
        answered = load.answered;
      }
      if (!answered) Say("dialog: %s\n", "no file dialog after load");
      // A name the dialog refused leaves it open: never for a person to close.
      for (DWORD waited = 0; HWND open = FindLoadDialog(dialog); waited += 50) {
        if (waited >= kCloseDeadlineMs) {
          Say("dialog: %s\n", "file dialog still open after load: cancelled");
          PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
          break;
        }
        Sleep(50);
      }
    } else if (step.verb == "shot") {
      if (!Screenshot(dialog, step.value)) Say("dialog: cannot write %s\n", step.value);
    } else if (step.verb == "ok" || step.verb == "cancel") {
      const int id = step.verb == "ok" ? IDOK : IDCANCEL;
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
  }
  // Never leave a dialog open for a person to close.
  for (DWORD waited = 0; IsWindow(dialog) && waited < kCloseDeadlineMs; waited += 50) Sleep(50);
  if (IsWindow(dialog)) {
    Say("dialog: %s\n", "still open after the script: cancelled");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
}

}  // namespace

bool ParseDialogScript(const std::string& text, std::vector<DialogStep>* steps,
                       std::string* error) {
  std::stringstream all(text);
  std::string part;
  while (std::getline(all, part, ';')) {
    std::istringstream words(part);
    DialogStep step;
    if (!(words >> step.verb)) continue;
    const bool needsId =
        step.verb == "show" || step.verb == "text" || step.verb == "click" || step.verb == "slide";
    const bool needsValue = step.verb == "wait" || step.verb == "text" || step.verb == "slide" ||
                            step.verb == "shot" || step.verb == "load";
    if (!needsId && !needsValue && step.verb != "ok" && step.verb != "cancel") {
      *error = "unknown dialog step '" + step.verb + "'";
      return false;
    }
    if (needsId && !(words >> step.id)) {
      *error = "dialog step '" + step.verb + "' needs a control identifier";
      return false;
    }
    if (needsValue && !(words >> step.value)) {
      *error = "dialog step '" + step.verb + "' needs a value";
      return false;
    }
    steps->push_back(step);
  }
  return true;
}

void AttachDialogScript(Host& host, std::vector<DialogStep> steps) {
  host.onDisplayPixels = DrawPixelMap;
  auto script = std::make_shared<std::vector<DialogStep>>(std::move(steps));
  auto taken = std::make_shared<bool>(false);
  auto load = std::make_shared<PendingLoad>();
  host.onWindow = [script, taken, load](const os::WindowInfo& info) {
    HWND window = reinterpret_cast<HWND>(info.window);
    if (info.caption == kLoadDialogCaption) {
      std::lock_guard<std::mutex> hold(load->lock);
      if (load->path.empty()) return false;
      // The name box of the explorer-style dialog, or of the old one.
      HWND name = GetDlgItem(window, 0x47c);
      if (!name) name = GetDlgItem(window, 0x480);
      SetWindowTextA(name, load->path.c_str());
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
      Say("dialog: load %s\n", load->path);
      load->path.clear();
      load->answered = true;
      return true;
    }
    if (*taken || info.className != "#32770" || !GetDlgItem(window, kPreviewFrameId)) return false;
    *taken = true;
    Say("dialog: %s opened\n", info.caption);
    std::thread([window, script, load] { RunSteps(window, *script, *load); }).detach();
    return true;
  };
}

}  // namespace zar::host
