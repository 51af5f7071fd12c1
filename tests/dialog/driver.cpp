#include "tests/dialog/driver.h"

#include <algorithm>

#include "hosts/core/screen.h"

namespace zar::testing {

namespace {

Driver* gDriver = nullptr;

std::string ClassOf(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM lParam) {
  if (ClassOf(child) == "Static") {
    auto* text = reinterpret_cast<std::string*>(lParam);
    const std::string t = WindowText(child);
    if (!t.empty()) {
      if (!text->empty()) *text += "\n";
      *text += t;
    }
  }
  return TRUE;
}

// Presses the window's default button (OK of a message box, Yes of a question), or Cancel.
void Dismiss(HWND window) {
  if (!IsWindow(window)) return;
  const LRESULT def = SendMessageA(window, DM_GETDEFID, 0, 0);
  const int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDCANCEL;
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(window, id)));
}

}  // namespace

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ControlText(HWND dialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void PostCommand(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

void TypeAndLeave(HWND dialog, int editId, const char* text, int nextId) {
  HWND edit = GetDlgItem(dialog, editId);
  SetFocus(edit);
  SetWindowTextA(edit, text);
  SetFocus(GetDlgItem(dialog, nextId));
}

Driver::Driver(int deadlineMs) : deadlineMs_(deadlineMs) {
  gDriver = this;
  start_ = GetTickCount();
  hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
  timer_ = SetTimer(nullptr, 0, 15, Tick);
}

Driver::~Driver() {
  if (timer_) KillTimer(nullptr, timer_);
  if (hook_) UnhookWindowsHookEx(hook_);
  if (gDriver == this) gDriver = nullptr;
}

void Driver::Script(const std::string& caption, std::vector<Step> steps) {
  scripts_.push_back({caption, std::move(steps)});
}

void Driver::Leave(const std::string& caption) { leave_.push_back(caption); }

std::vector<SeenWindow> Driver::Seen(const std::string& caption) const {
  std::vector<SeenWindow> found;
  for (const SeenWindow& w : seen_)
    if (w.caption == caption) found.push_back(w);
  return found;
}

bool Driver::busy() const {
  for (const Pending& p : scripts_)
    if (p.next < p.steps.size()) return true;
  return false;
}

void Driver::Pump(int milliseconds) {
  const DWORD end = GetTickCount() + DWORD(milliseconds);
  MSG msg;
  while (int(end - GetTickCount()) > 0) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(1);
  }
}

LRESULT CALLBACK Driver::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && gDriver) gDriver->OnActivated(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Driver::OnActivated(HWND window) {
  for (const SeenWindow& w : seen_)
    if (w.window == window && IsWindow(window)) return;  // activated again
  // Only note the window here: it is in the middle of being activated. The timer acts on it.
  SeenWindow seen{window, ClassOf(window), WindowText(window), {}};
  EnumChildWindows(window, CollectStatic, reinterpret_cast<LPARAM>(&seen.text));
  seen_.push_back(seen);
  if (std::find(leave_.begin(), leave_.end(), seen.caption) != leave_.end()) return;
  for (Pending& p : scripts_)
    if (!p.window && p.caption == seen.caption) {
      p.window = window;
      p.lastTick = GetTickCount();
      return;
    }
  toDismiss_.push_back(window);
}

void CALLBACK Driver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (gDriver && !gDriver->inTick_) gDriver->RunTick();
}

void Driver::RunTick() {
  inTick_ = true;
  const DWORD now = GetTickCount();
  if (!timedOut_ && int(now - start_) > deadlineMs_) {
    // Out of time: close every window this driver saw, scripted or not.
    timedOut_ = true;
    for (const SeenWindow& w : seen_)
      if (IsWindow(w.window)) PostMessageA(w.window, WM_COMMAND, IDCANCEL, 0);
    for (Pending& p : scripts_) p.next = p.steps.size();
  }
  if (timedOut_ && int(now - start_) > deadlineMs_ + 3000) {
    for (const SeenWindow& w : seen_)
      if (IsWindow(w.window)) EndDialog(w.window, IDCANCEL);
  }
  std::vector<HWND> dismiss;
  dismiss.swap(toDismiss_);
  for (HWND w : dismiss) Dismiss(w);
  for (Pending& p : scripts_) {
    if (!p.window || p.next >= p.steps.size()) continue;
    if (!IsWindow(p.window)) {
      p.next = p.steps.size();
      continue;
    }
    Step& step = p.steps[p.next];
    if (int(now - p.lastTick) < step.delayMs) continue;
    ++p.next;
    p.lastTick = now;
    step.action(p.window);
    break;  // one step per tick
  }
  inTick_ = false;
}

Image CaptureClientRect(HWND window, const RECT& rect) {
  POINT origin{rect.left, rect.top};
  ClientToScreen(window, &origin);
  return host::CaptureScreen(origin.x, origin.y, rect.right - rect.left, rect.bottom - rect.top);
}

Image CaptureWindow(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  // In client coordinates, the window's whole rectangle including its frame and caption.
  const RECT rect = {r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
  return CaptureClientRect(window, rect);
}

}  // namespace zar::testing
