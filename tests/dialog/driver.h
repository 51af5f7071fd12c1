// Drives modal windows from inside their own message loops, the way Wine's user32 tests do: a
// CBT hook notes every top-level window the thread activates, and a thread timer runs the test's
// script against it, one step per tick. Message boxes and any window without a script are
// recorded and dismissed, and a deadline closes everything, so no test ever waits on a person.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/image.h"

namespace zar::testing {

struct SeenWindow {
  HWND window;
  std::string className;
  std::string caption;
  std::string text;  // the texts of its static controls (a message box's message)
};

struct Step {
  int delayMs;                       // wait this long after the previous step
  std::function<void(HWND)> action;  // gets the scripted window
};

class Driver {
 public:
  explicit Driver(int deadlineMs = 20000);
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // The next window activated with this caption runs these steps, in order.
  void Script(const std::string& caption, std::vector<Step> steps);
  // Windows with this caption are left alone (a modeless dialog the test drives itself).
  void Leave(const std::string& caption);

  const std::vector<SeenWindow>& seen() const { return seen_; }
  // The windows seen with this caption.
  std::vector<SeenWindow> Seen(const std::string& caption) const;
  bool timedOut() const { return timedOut_; }
  // True while a script has steps left.
  bool busy() const;

  // Pumps this thread's messages for a while (the timer and the dialog's own timers run).
  static void Pump(int milliseconds);

 private:
  struct Pending {
    std::string caption;
    std::vector<Step> steps;
    HWND window = nullptr;
    size_t next = 0;
    DWORD lastTick = 0;
  };

  static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnActivated(HWND window);
  void RunTick();

  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  DWORD start_ = 0;
  int deadlineMs_;
  bool timedOut_ = false;
  bool inTick_ = false;
  std::vector<SeenWindow> seen_;
  std::vector<HWND> toDismiss_;
  std::vector<Pending> scripts_;
  std::vector<std::string> leave_;
};

// Helpers for scripts.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// Clicks a button the way a user would: the press and release reach the button, which notifies
// its dialog.
void ClickButton(HWND dialog, int id);
// Posts a command as a button of the dialog would.
void PostCommand(HWND dialog, int id);
// Types into an edit box and moves the focus away, so the box reports that it lost the focus.
void TypeAndLeave(HWND dialog, int editId, const char* text, int nextId);

// The window's pixels as they are on the screen (PrintWindow draws only the background under
// Wine), as a 3-plane picture.
Image CaptureWindow(HWND window);
// A rectangle of a window's client area, from the screen.
Image CaptureClientRect(HWND window, const RECT& rect);

}  // namespace zar::testing
